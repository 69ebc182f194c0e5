// "系统消息": friend requests both ways. The user's own request to add a
// friend (the server's answer, and the note when the other side wants one),
// and a notice or request of another user with its answers.
#pragma once

#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "client/store/chat_message.h"
#include "client/ui/auth_rules.h"
#include "client/ui/skinned_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CFaceRichEdit;

class CAuthDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kFacePeriodMs = 400;
    static constexpr int kAddTimeoutMs = 30000;

    // The window of the user's request to add `id` (`gbkNick` and `face` are
    // shown unless `id` is a contact): opened and sent. While a request
    // window is open it is only brought forward and keeps its user, because
    // the server's answers do not say whom they are about.
    static CAuthDlg* outgoing(ClientCore& core, uint32_t id, const std::string& gbkNick,
                              uint16_t face);
    // The window whose request the server's answers belong to, if one is open.
    static CAuthDlg* current();

    // A queued notice or request of another user, registered under the
    // sender while it is open.
    CAuthDlg(ClientCore& core, const store::ChatMessage& message, QWidget* parent = nullptr);
    ~CAuthDlg() override;

    // The server answered the request: 0 added, 1 authentication needed, 2 refused.
    void onAddResult(int result);
    // "发送请求": the note to the other user.
    void sendAuthentication();
    // "通过验证" and "拒绝请求".
    void acceptRequest();
    void refuseRequest();
    // "加为好友": this window asks the server to add the sender.
    void addFriend();

    // How long the server may take to answer before the user is told (tests).
    void setAddTimeout(int ms) { timeout_.setInterval(ms); }

    uint32_t peer() const { return peer_; }
    const AddFriendRequest& request() const { return request_; }
    bool expanded() const;
    CFaceRichEdit* message() const { return message_; }
    QToolButton* faceButton() const { return faceButton_; }

  protected:
    void done(int result) override;

  private:
    CAuthDlg(ClientCore& core, uint32_t peer, QWidget* parent);
    void build(const QString& nickname, int face);
    void startRequest();
    void refresh();
    void showStatus(const QString& text);
    void answer(const std::vector<uint8_t>& packet);

    static QPointer<CAuthDlg>& requestWindow();

    ClientCore& core_;
    uint32_t peer_;
    int face_ = 0;
    int shownFace_ = 0;
    bool registered_ = false;
    NoticeView view_;        // what a notice offers; nothing for the own request
    bool answered_ = false;  // "通过验证" or "拒绝请求" went out
    AddFriendRequest request_;
    QTimer faceTimer_;
    QTimer timeout_;

    QToolButton* faceButton_ = nullptr;
    QLineEdit* nickname_ = nullptr;
    QLabel* id_ = nullptr;
    CFaceRichEdit* message_ = nullptr;
    QPushButton* accept_ = nullptr;
    QPushButton* refuse_ = nullptr;
    QPushButton* addFriend_ = nullptr;
    QWidget* authArea_ = nullptr;
    QLineEdit* authText_ = nullptr;
    QPushButton* sendRequest_ = nullptr;
};

}  // namespace zemra::client::ui
