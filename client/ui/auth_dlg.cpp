#include "client/ui/auth_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <ctime>

#include "client/app/client_core.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "client/ui/ui_text.h"
#include "protocol/contact_packets.h"

namespace zemra::client::ui {
namespace {

constexpr std::size_t kFriendsGroup = 0;

void bringForward(QWidget* window) {
    window->showNormal();
    window->raise();
    window->activateWindow();
}

}  // namespace

QPointer<CAuthDlg>& CAuthDlg::requestWindow() {
    static QPointer<CAuthDlg> window;
    return window;
}

CAuthDlg* CAuthDlg::current() {
    return requestWindow().data();
}

CAuthDlg* CAuthDlg::outgoing(ClientCore& core, uint32_t id, const std::string& gbkNick,
                             uint16_t face) {
    if (CAuthDlg* open = current()) {
        bringForward(open);
        return open;
    }
    auto* window = new CAuthDlg(core, id, nullptr);
    const store::Contact* contact = core.contacts().findContact(id);
    window->build(fromGbk(contact ? contact->nickname : gbkNick), contact ? contact->face : face);
    window->accept_->hide();
    window->refuse_->hide();
    window->show();
    window->startRequest();
    return window;
}

CAuthDlg::CAuthDlg(ClientCore& core, uint32_t peer, QWidget* parent)
    : SkinnedDialog(u("系统消息"), u("系统消息"), parent), core_(core), peer_(peer) {
    setAttribute(Qt::WA_DeleteOnClose);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);
    faceTimer_.setInterval(kFacePeriodMs);
    connect(&faceTimer_, &QTimer::timeout, this, [this] {
        shownFace_ = (shownFace_ + 1) % ImageLists::kFaces;
        faceButton_->setIcon(QIcon(imageLists().face32(shownFace_)));
    });
    timeout_.setSingleShot(true);
    timeout_.setInterval(kAddTimeoutMs);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        request_.timedOut();
        refresh();
    });
}

CAuthDlg::CAuthDlg(ClientCore& core, const store::ChatMessage& message, QWidget* parent)
    : CAuthDlg(core, message.peer, parent) {
    build(QString::number(peer_), 0);
    const store::Contact* contact = core_.contacts().findContact(peer_);
    const bool isFriend = contact && core_.contacts().groupOf(*contact) == kFriendsGroup;
    view_ = noticeView(message, isFriend);
    if (view_.showsMessage) {
        message_->showMessage(message);
    } else {
        showStatus(fromGbk(view_.text));
    }
    accept_->setVisible(view_.accept);
    refuse_->setVisible(view_.refuse);
    addFriend_->setVisible(view_.addFriend);
    refresh();
    core_.windows().registerWindow(WindowKind::FriendRequestIn, peer_,
                                   reinterpret_cast<WindowHandle>(this));
    registered_ = true;
}

CAuthDlg::~CAuthDlg() {
    if (registered_) core_.windows().unregisterWindow(reinterpret_cast<WindowHandle>(this));
}

void CAuthDlg::build(const QString& nickname, int face) {
    face_ = face;
    faceButton_ = new QToolButton;
    faceButton_->setObjectName("face");
    faceButton_->setIcon(QIcon(imageLists().face32(face_)));
    faceButton_->setIconSize(QSize(32, 32));
    faceButton_->setToolTip(u("查看资料"));
    connect(faceButton_, &QToolButton::clicked, this,
            [this] { core_.requestDetails(peer_, false); });
    nickname_ = new QLineEdit(nickname);
    nickname_->setObjectName("nickname");
    nickname_->setReadOnly(true);
    id_ = new QLabel(QString::number(peer_));
    id_->setObjectName("id");
    auto* names = new QGridLayout;
    names->addWidget(new QLabel(u("昵称:")), 0, 0);
    names->addWidget(nickname_, 0, 1);
    names->addWidget(new QLabel(u("ID:")), 1, 0);
    names->addWidget(id_, 1, 1);
    auto* header = new QHBoxLayout;
    header->addWidget(faceButton_);
    header->addLayout(names, 1);

    message_ = new CFaceRichEdit;
    message_->setObjectName("message");
    message_->setFixedSize(320, 90);

    accept_ = new QPushButton(u("通过验证"));
    refuse_ = new QPushButton(u("拒绝请求"));
    addFriend_ = new QPushButton(u("加为好友"));
    auto* back = new QPushButton(u("返回"));
    accept_->setObjectName("accept");
    refuse_->setObjectName("refuse");
    addFriend_->setObjectName("addFriend");
    back->setObjectName("back");
    connect(accept_, &QPushButton::clicked, this, &CAuthDlg::acceptRequest);
    connect(refuse_, &QPushButton::clicked, this, &CAuthDlg::refuseRequest);
    connect(addFriend_, &QPushButton::clicked, this, &CAuthDlg::addFriend);
    connect(back, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(accept_);
    buttons->addWidget(refuse_);
    buttons->addWidget(addFriend_);
    buttons->addStretch();
    buttons->addWidget(back);

    authArea_ = new QWidget;
    authText_ = new QLineEdit;
    authText_->setObjectName("authText");
    sendRequest_ = new QPushButton(u("发送请求"));
    sendRequest_->setObjectName("sendRequest");
    connect(sendRequest_, &QPushButton::clicked, this, &CAuthDlg::sendAuthentication);
    connect(authText_, &QLineEdit::returnPressed, this, &CAuthDlg::sendAuthentication);
    auto* area = new QVBoxLayout(authArea_);
    area->setContentsMargins(0, 0, 0, 0);
    area->addWidget(new QLabel(u("请输入验证信息:")));
    auto* line = new QHBoxLayout;
    line->addWidget(authText_, 1);
    line->addWidget(sendRequest_);
    area->addLayout(line);
    authArea_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // collapsing shrinks the window
    layout->addLayout(header);
    layout->addWidget(message_);
    layout->addLayout(buttons);
    layout->addWidget(authArea_);
}

void CAuthDlg::startRequest() {
    requestWindow() = this;
    request_.submit();
    refresh();
    // Sending pumps events: the answer, or the user closing the window, can
    // come before it returns.
    const QPointer<CAuthDlg> alive(this);
    core_.send(protocol::buildSetRelation({peer_, protocol::kRelationFriend}));
    if (!alive) return;
    request_.submitted(core_.connection().connected());
    refresh();
}

void CAuthDlg::onAddResult(int result) {
    request_.answered(result);
    refresh();
    if (request_.editable()) authText_->setFocus();
}

void CAuthDlg::sendAuthentication() {
    if (!request_.sendMessage()) return;
    const std::string note = authenticationText(authText_->text());
    refresh();
    const QPointer<CAuthDlg> alive(this);
    // The message transport has no acknowledgement: written to a live link
    // is as far as we can know.
    core_.send(protocol::buildMessage(
        authenticationMessage(peer_, note, static_cast<uint32_t>(std::time(nullptr)))));
    if (!alive) return;
    request_.messageWritten(core_.connection().connected());
    refresh();
}

void CAuthDlg::acceptRequest() {
    answer(protocol::buildAuthAccept(peer_));
}

void CAuthDlg::refuseRequest() {
    answer(protocol::buildAuthRefuse(peer_));
}

void CAuthDlg::answer(const std::vector<uint8_t>& packet) {
    if (answered_ || request_.busy()) return;
    answered_ = true;
    refresh();
    const QPointer<CAuthDlg> alive(this);
    core_.send(packet);
    if (!alive) return;
    if (core_.connection().connected()) {
        showStatus(u("服务器已接收您的指令,请按返回继续"));
        return;
    }
    // Nothing went out: the answer may be given again once the link is back.
    answered_ = false;
    showStatus(u("超时，请重试或返回"));
    refresh();
}

void CAuthDlg::addFriend() {
    if (request_.busy() || answered_) return;
    // Only one request can wait for the server's answer.
    if (CAuthDlg* open = current(); open && open != this) {
        bringForward(open);
        return;
    }
    startRequest();
}

void CAuthDlg::refresh() {
    const bool open = !request_.busy() && !answered_;
    accept_->setEnabled(open && view_.accept);
    refuse_->setEnabled(open && view_.refuse);
    addFriend_->setEnabled(open && view_.addFriendEnabled);
    authText_->setEnabled(request_.editable());
    sendRequest_->setEnabled(request_.editable());
    authArea_->setVisible(request_.expanded());
    if (request_.busy()) showStatus(QString::fromStdString(request_.statusText()));
    if (request_.waiting()) {
        if (!faceTimer_.isActive()) {
            shownFace_ = 0;
            faceButton_->setIcon(QIcon(imageLists().face32(shownFace_)));
            faceTimer_.start();
        }
        if (!timeout_.isActive()) timeout_.start();
    } else {
        if (faceTimer_.isActive()) {
            faceTimer_.stop();
            faceButton_->setIcon(QIcon(imageLists().face32(face_)));
        }
        timeout_.stop();
    }
}

void CAuthDlg::showStatus(const QString& text) {
    message_->clear();
    message_->setPlainText(QString(text).replace("\r\n", "\n"));
}

bool CAuthDlg::expanded() const {
    return !authArea_->isHidden();
}

void CAuthDlg::done(int result) {
    // A closed window no longer takes answers; the next request opens anew.
    if (requestWindow() == this) requestWindow() = nullptr;
    SkinnedDialog::done(result);
}

}  // namespace zemra::client::ui
