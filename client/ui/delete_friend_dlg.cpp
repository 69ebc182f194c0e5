#include "client/ui/delete_friend_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/app/client_core.h"
#include "client/ui/image_lists.h"
#include "client/ui/window_message_bridge.h"

namespace zemra::client::ui {

CDeleteFriendDlg::CDeleteFriendDlg(int facePicture, std::function<void(WindowHandle)> start,
                                   std::function<void()> finish, QWidget* parent)
    : SkinnedDialog(QString::fromUtf8("删除好友"), QString::fromUtf8("删除好友"), parent),
      start_(std::move(start)),
      finish_(std::move(finish)),
      handle_(WindowMessageBridge::registerWidget(this)) {
    auto* contact = new QLabel;
    contact->setPixmap(imageLists().face32(facePicture));
    face_ = new QLabel;
    face_->setFixedSize(36, 36);
    auto* text = new QLabel(QString::fromUtf8("正在向服务器提交删除请求，请等待"));
    text->setWordWrap(true);
    auto* back = new QPushButton(QString::fromUtf8("返回"));
    auto* row = new QHBoxLayout;
    row->addWidget(contact);
    row->addWidget(text, 1);
    row->addWidget(face_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(back, 0, Qt::AlignRight);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    timer_.setInterval(400);
    connect(&timer_, &QTimer::timeout, this, [this] {
        shown_ = (shown_ + 1) % ImageLists::kFaces;
        face_->setPixmap(imageLists().face32(shown_));
    });
    setFixedSize(300, 130);
}

CDeleteFriendDlg::~CDeleteFriendDlg() {
    WindowMessageBridge::unregisterWidget(handle_);
}

bool CDeleteFriendDlg::run() {
    start_(handle_);
    face_->setPixmap(imageLists().face32(0));
    timer_.start();
    const bool confirmed = exec() == QDialog::Accepted;
    timer_.stop();
    finish_();
    return confirmed;
}

bool CDeleteFriendDlg::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::kType &&
        static_cast<WindowMessageEvent*>(event)->message == kWmContactDeleted) {
        accept();
        return true;
    }
    return SkinnedDialog::event(event);
}

}  // namespace zemra::client::ui
