// The main window's part in text messages: chat and message view windows,
// the unread queue's blinking in the tray and the list, the reply lists.
#include <QTimer>

#include "client/ui/chat_dlg.h"
#include "client/ui/contact_list_bar.h"
#include "client/ui/image_lists.h"
#include "client/ui/main_window.h"
#include "client/ui/reply_list_dlg.h"
#include "client/ui/view_msg_dlg.h"

namespace zemra::client::ui {
namespace {

template <typename Window>
Window* registered(ClientCore& core, WindowKind kind, uint32_t peer) {
    const auto handle = core.windows().findWindow(kind, peer);
    return handle ? reinterpret_cast<Window*>(*handle) : nullptr;
}

}  // namespace

CChatDlg* MainWindow::openChatWindow(uint32_t peer, std::optional<QPoint> at) {
    auto* chat = registered<CChatDlg>(*core_, WindowKind::Chat, peer);
    if (!chat) {
        chat = new CChatDlg(*core_, peer);
        if (at) chat->move(*at);
    }
    chat->show();
    chat->raise();
    chat->activateWindow();
    return chat;
}

void MainWindow::talkTo(uint32_t peer) {
    const store::Contact* contact = core_->contacts().findContact(peer);
    const bool dialogue = contact && contact->hasOption(store::kContactDialogueMode);
    if (!dialogue && core_->messageQueue().hasFrom(peer)) {
        openMessageView(peer);
        return;
    }
    openChatWindow(peer);
}

void MainWindow::editReplies() {
    if (!requireLogin()) return;
    CReplyListDlg dialog(core_->recordStore().userDir(), this);
    dialog.run();
}

bool MainWindow::showInChatWindow(const store::ChatMessage& message) {
    openChatWindow(message.peer)->appendIncoming(message);
    return true;
}

void MainWindow::openMessageView(uint32_t peer) {
    if (auto* view = registered<CViewMsgDlg>(*core_, WindowKind::MessageView, peer)) {
        view->show();
        view->raise();
        return;
    }
    CViewMsgDlg::Hooks hooks;
    hooks.openChat = [this](uint32_t to, const QPoint& at) { return openChatWindow(to, at); };
    hooks.editReplies = [this] { editReplies(); };
    auto* view = new CViewMsgDlg(*core_, peer, std::move(hooks));
    view->show();
}

void MainWindow::nextMessageWaiting(uint32_t peer) {
    if (auto* view = registered<CViewMsgDlg>(*core_, WindowKind::MessageView, peer)) {
        view->nextWaiting();
    }
}

void MainWindow::queueChanged() {
    if (core_->messageQueue().empty()) {
        blinkTimer_.stop();
        blinkOn_ = false;
        bar_->setBlinkPhase(true);
        blinkSystemButton(true);
        updateTray();
        return;
    }
    if (!blinkTimer_.isActive()) blinkTimer_.start();
    bar_->update();
}

// The tray shows the first waiting sender's face (or the system picture)
// and a blank picture in turn; the senders' items in the list blink along.
void MainWindow::onBlinkTick() {
    blinkOn_ = !blinkOn_;
    const store::ChatMessage* first = core_->messageQueue().first();
    if (!first) {
        queueChanged();
        return;
    }
    QPixmap picture;
    if (blinkOn_) {
        if (first->isSystemMessage()) {
            picture = art("art/icons/sysmsg.png");
        } else if (const store::Contact* c = core_->contacts().findContact(first->peer)) {
            picture = imageLists().face16(c->face);
        }
    }
    if (picture.isNull()) {
        picture = QPixmap(16, 16);
        picture.fill(Qt::transparent);
    }
    tray_->setIcon(QIcon(picture));
    bar_->setBlinkPhase(blinkOn_);
    blinkSystemButton(blinkOn_ || !first->isSystemMessage());
    writeTestState();
}

}  // namespace zemra::client::ui
