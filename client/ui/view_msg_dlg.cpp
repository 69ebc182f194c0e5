#include "client/ui/view_msg_dlg.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "client/app/client_core.h"
#include "client/store/replies.h"
#include "client/ui/chat_dlg.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/history_list_box.h"
#include "client/ui/image_lists.h"
#include "client/ui/reply_menus.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {

CViewMsgDlg::CViewMsgDlg(ClientCore& core, uint32_t peer, Hooks hooks, QWidget* parent)
    : SkinnedDialog(u("查看消息"), u("查看消息"), parent),
      core_(core),
      peer_(peer),
      hooks_(std::move(hooks)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);
    const store::Contact* contact = core_.contacts().findContact(peer_);
    auto* face = new QToolButton;
    face->setIcon(QIcon(imageLists().face32(contact ? contact->face : 0)));
    face->setIconSize(QSize(32, 32));
    connect(face, &QToolButton::clicked, this, [this] {
        if (peer_ != 0) core_.requestDetails(peer_, false);
    });
    auto* nickname = new QLabel(contact ? fromGbk(contact->nickname) : QString::number(peer_));
    nickname->setTextFormat(Qt::PlainText);
    nickname->setStyleSheet("font-weight:bold");
    date_ = new QLabel;
    time_ = new QLabel;
    auto* header = new QHBoxLayout;
    header->addWidget(face);
    auto* names = new QVBoxLayout;
    names->addWidget(nickname);
    auto* idLine = new QHBoxLayout;
    idLine->addWidget(new QLabel(QString::number(peer_)));
    auto* email = new QLabel(contact ? fromGbk(contact->email) : QString());
    email->setTextFormat(Qt::PlainText);
    idLine->addWidget(email);
    idLine->addStretch();
    names->addLayout(idLine);
    header->addLayout(names, 1);
    auto* when = new QVBoxLayout;
    when->addWidget(date_);
    when->addWidget(time_);
    header->addLayout(when);

    message_ = new CFaceRichEdit;
    message_->setMinimumHeight(120);
    QPalette look = message_->palette();
    look.setColor(QPalette::Base, palette().color(QPalette::Button));
    message_->setPalette(look);

    history_ = new CHistoryListBox(core_, peer_);
    history_->setFixedHeight(130);
    history_->hide();

    reply_ = new QPushButton(u("(&R)回讯息"));
    auto* historyButton = new QPushButton(u("(&H)聊天记录"));
    auto* quick = new QPushButton(u("(&S)快捷回复"));
    quickMenu_ = new QPushButton(u("&V"));
    quickMenu_->setFixedWidth(28);
    auto* close = new QPushButton(u("关闭"));
    next_ = new QPushButton(u("下一条>>"));
    reply_->setObjectName("reply");
    next_->setObjectName("next");
    message_->setObjectName("message");
    quick->setObjectName("quickReply");
    close->setObjectName("close");
    quickMenu_->setObjectName("quickReplyMenu");
    connect(reply_, &QPushButton::clicked, this, &CViewMsgDlg::reply);
    connect(historyButton, &QPushButton::clicked, this, [this] {
        const bool show = !history_->isVisible();
        if (show) {
            history_->fill();
        } else {
            history_->empty();
        }
        history_->setVisible(show);
        adjustSize();
    });
    connect(quick, &QPushButton::clicked, this,
            [this] { quickReply(core_.options().quickReplyText); });
    connect(quickMenu_, &QPushButton::clicked, this, &CViewMsgDlg::showQuickReplyMenu);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(next_, &QPushButton::clicked, this, &CViewMsgDlg::showNext);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reply_);
    buttons->addWidget(historyButton);
    buttons->addWidget(quick);
    buttons->addWidget(quickMenu_);
    buttons->addStretch();
    buttons->addWidget(next_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(message_, 1);
    layout->addLayout(buttons);
    layout->addWidget(history_);
    resize(430, 300);
    core_.windows().registerWindow(WindowKind::MessageView, peer_,
                                   reinterpret_cast<WindowHandle>(this));
    showNext();
}

CViewMsgDlg::~CViewMsgDlg() {
    core_.windows().unregisterWindow(reinterpret_cast<WindowHandle>(this));
}

bool CViewMsgDlg::showNext() {
    const auto taken = core_.takeQueued(peer_);
    if (taken && taken->kind != store::kMessageQueueOnly) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(taken->time);
        date_->setText(when.toString("yyyy/MM/dd"));
        time_->setText(when.toString("HH:mm:ss"));
        store::ChatMessage shown = *taken;
        shown.text = taken->displayedText();
        message_->clear();
        message_->showMessage(shown);
    }
    nextWaiting();
    return taken.has_value();
}

void CViewMsgDlg::nextWaiting() {
    next_->setEnabled(core_.messageQueue().hasFrom(peer_));
}

void CViewMsgDlg::reply() {
    if (hooks_.openChat) hooks_.openChat(peer_, pos());
    close();
}

void CViewMsgDlg::quickReply(const std::string& gbkText) {
    if (gbkText.empty()) return;
    // Sending may run the event loop, and this window may be closed in it.
    const QPointer<CViewMsgDlg> alive(this);
    if (CChatDlg* chat = hooks_.openChat ? hooks_.openChat(peer_, pos()) : nullptr) {
        chat->setTextAndSend(fromGbk(gbkText));
    }
    if (alive) close();
}

void CViewMsgDlg::showQuickReplyMenu() {
    const auto replies = store::LoadReplies(core_.recordStore().userDir() / "quickreply.txt");
    QMenu menu(this);
    const auto items = quickReplyMenu(replies, core_.options().quickReplyText);
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = menu.addAction(fromGbk(items[i].label));
        action->setCheckable(true);
        action->setChecked(items[i].checked);
        action->setData(static_cast<int>(i));
    }
    QAction* settings = menu.addAction(u("进行快捷回复设置..."));
    const QPointer<CViewMsgDlg> alive(this);
    QAction* chosen = menu.exec(quickMenu_->mapToGlobal(QPoint(0, quickMenu_->height())));
    if (!chosen || !alive) return;
    if (chosen == settings) {
        if (hooks_.editReplies) hooks_.editReplies();
        return;
    }
    const std::string text = items[static_cast<std::size_t>(chosen->data().toInt())].text;
    core_.options().quickReplyText = text;
    core_.recordStore().putOptions(core_.options());
    quickReply(text);
}

}  // namespace zemra::client::ui
