// "查看消息": one queued message at a time from one sender, with reply,
// quick reply and the next message.
#pragma once

#include <cstdint>
#include <functional>

#include "client/ui/skinned_dialog.h"

class QLabel;
class QPushButton;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CFaceRichEdit;
class CHistoryListBox;

class CViewMsgDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    // What the window needs of the main window: the chat window for a peer
    // (opened or brought forward at a place), and the reply list editor.
    struct Hooks {
        std::function<class CChatDlg*(uint32_t peer, const QPoint& at)> openChat;
        std::function<void()> editReplies;
    };

    CViewMsgDlg(ClientCore& core, uint32_t peer, Hooks hooks, QWidget* parent = nullptr);
    ~CViewMsgDlg() override;

    uint32_t peer() const { return peer_; }
    // Takes the sender's next queued message and shows it; false when none.
    bool showNext();
    // Another message of the sender was queued.
    void nextWaiting();

    void reply();
    // Sends `text` (GBK) as the reply: through the chat window, then closes.
    void quickReply(const std::string& gbkText);
    void showQuickReplyMenu();

    CFaceRichEdit* message() const { return message_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* replyButton() const { return reply_; }
    QLabel* dateLabel() const { return date_; }

  private:
    ClientCore& core_;
    uint32_t peer_;
    Hooks hooks_;
    CFaceRichEdit* message_ = nullptr;
    CHistoryListBox* history_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* time_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* reply_ = nullptr;
    QPushButton* quickMenu_ = nullptr;
};

}  // namespace zemra::client::ui
