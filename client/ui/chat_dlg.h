// "发送讯息": the chat window for one contact. The input box with its format
// bar and emoticons; in dialogue mode the conversation above it; the history
// pane; and group sending to checked contacts.
#pragma once

#include <QTextCharFormat>
#include <cstdint>
#include <vector>

#include "client/store/chat_message.h"
#include "client/ui/skinned_dialog.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CFaceRichEdit;
class CHistoryListBox;

class CChatDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kConversationHeight = 170;
    static constexpr int kHistoryHeight = 130;
    static constexpr int kRecipientWidth = 180;

    // The window for `peer`, registered under its ID while it is open.
    CChatDlg(ClientCore& core, uint32_t peer, QWidget* parent = nullptr);
    ~CChatDlg() override;

    uint32_t peer() const { return peer_; }
    // Shows a message that arrived (dialogue mode brings messages here).
    void appendIncoming(const store::ChatMessage& message);
    // Puts `text` (with emoticon codes) in the input box and sends it.
    void setTextAndSend(const QString& text);
    // The send button: false when nothing went out.
    bool send();

    bool dialogueMode() const;
    void setDialogueMode(bool on);
    bool groupMode() const { return groupMode_; }
    void setGroupMode(bool on);
    // "视频电话": calls the peer and closes (the call windows take over).
    void callPeer();
    bool historyShown() const { return historyShown_; }
    void setHistoryShown(bool on);
    void setEnterSends(bool on);

    CFaceRichEdit* input() const { return input_; }
    CFaceRichEdit* conversation() const { return conversation_; }
    CHistoryListBox* history() const { return history_; }
    QTreeWidget* recipients() const { return recipients_; }
    QPushButton* sendButton() const { return send_; }
    // Checks or unchecks a contact in the recipient tree.
    void setRecipientChecked(uint32_t id, bool checked);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildHeader();
    QWidget* buildFormatBar();
    void fillRecipients();
    void applyFormat(const QTextCharFormat& change);
    void refreshFormatBar();
    void showColourMenu(QToolButton* at);
    void showInputMenu(const QPoint& globalPos);
    void appendToConversation(const store::ChatMessage& message, uint32_t headerRgb);
    void relayout();
    store::ChatMessage composed(const std::string& gbkText) const;
    QString senderName(const store::ChatMessage& message) const;

    ClientCore& core_;
    uint32_t peer_;
    bool groupMode_ = false;
    bool historyShown_ = false;
    bool sending_ = false;
    QTextCharFormat format_;  // the whole message has one format

    QLabel* nickname_ = nullptr;
    QLabel* email_ = nullptr;
    CFaceRichEdit* conversation_ = nullptr;
    CFaceRichEdit* input_ = nullptr;
    CHistoryListBox* history_ = nullptr;
    QTreeWidget* recipients_ = nullptr;
    QWidget* recipientPanel_ = nullptr;
    QFontComboBox* fontName_ = nullptr;
    QComboBox* fontSize_ = nullptr;
    QToolButton* bold_ = nullptr;
    QToolButton* italic_ = nullptr;
    QToolButton* underline_ = nullptr;
    QRadioButton* enterSends_ = nullptr;
    QRadioButton* ctrlEnterSends_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* historyButton_ = nullptr;
    QPushButton* dialogueButton_ = nullptr;
    QPushButton* groupButton_ = nullptr;
};

}  // namespace zemra::client::ui
