// The main window's part in finding people: the search window, friend
// requests both ways, and the system messages with their button.
#include <QGraphicsOpacityEffect>
#include <QTimer>

#include "client/ui/auth_dlg.h"
#include "client/ui/file_transfer_dlg.h"
#include "client/ui/image_button.h"
#include "client/ui/main_window.h"
#include "client/ui/search_dlg.h"
#include "client/ui/sys_msg_history_dlg.h"

namespace zemra::client::ui {

void MainWindow::openSearch() {
    if (!search_) {
        SearchActions actions;
        actions.addFriend = [this](uint32_t id, const std::string& nick, uint16_t face) {
            openFriendRequest(id, nick, face);
        };
        actions.chat = [this](uint32_t id) { openChatWindow(id); };
        actions.call = [this](uint32_t id, const std::string& gbkNick) {
            core_->calls().callContact(id, gbkNick);
        };
        actions.sendFile = [this](uint32_t id, const std::string& gbkNick) {
            CFileTransferDlg::offer(*core_, id, gbkNick, this);
        };
        actions.inCall = [this] { return core_->calls().inCall(); };
        actions.transferRunning = [] { return CFileTransferDlg::transferRunning(); };
        search_ = new CSearchDlg(*core_, std::move(actions));
    }
    search_->showNormal();
    search_->raise();
    search_->activateWindow();
}

void MainWindow::openFriendRequest(uint32_t id, const std::string& gbkNick, uint16_t face) {
    CAuthDlg::outgoing(*core_, id, gbkNick, face);
}

void MainWindow::addFriendResult(uint32_t id, int result) {
    // Refusals carry no ID; an added contact must be the one asked for (a
    // blacklisting is confirmed the same way).
    CAuthDlg* request = CAuthDlg::current();
    if (request && (id == 0 || id == request->peer())) request->onAddResult(result);
}

void MainWindow::showSystemMessages() {
    // The oldest waiting notice first; the history when none waits.
    const store::ChatMessage* first = core_->messageQueue().first();
    if (first && first->isSystemMessage()) {
        const auto notice = core_->takeFirstQueued();
        (new CAuthDlg(*core_, *notice))->show();
        return;
    }
    if (const auto handle = core_->windows().findWindow(WindowKind::SystemMessages, 0)) {
        auto* history = reinterpret_cast<CSysMsgHistoryDlg*>(*handle);
        history->show();
        history->raise();
        return;
    }
    (new CSysMsgHistoryDlg(*core_))->show();
}

// While a system message waits, its button fades in and out with the tray.
void MainWindow::blinkSystemButton(bool on) {
    CImageButton* b = button(1002);
    if (!b) return;
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(b->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(b);
        b->setGraphicsEffect(effect);
    }
    effect->setOpacity(on ? 1.0 : 0.25);
}

// An offer arrives inside a packet handler: the window opens once it is done.
void MainWindow::fileOffered(const protocol::FileOffer& offer) {
    QTimer::singleShot(0, this, [this, offer] { CFileTransferDlg::offered(*core_, offer, this); });
}

}  // namespace zemra::client::ui
