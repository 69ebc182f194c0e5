// The friend-request window's rules without the window: what a notice or
// request from another user says and offers, and the steps of the user's own
// request to add a friend, from the relation packet to the server's answer.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "client/store/chat_message.h"
#include "protocol/message_packets.h"

namespace zemra::client::ui {

// What the window shows for a notice or request of another user.
struct NoticeView {
    std::string text;           // GBK, "\r\n" between lines
    bool showsMessage = false;  // kind 0: the message itself, in its format, instead of `text`
    bool accept = false;        // "通过验证"
    bool refuse = false;        // "拒绝请求"
    bool addFriend = false;     // "加为好友"
    bool addFriendEnabled = false;
};

// `senderIsFriend`: the sender is already in the user's friends group, so
// adding him again makes no sense.
NoticeView noticeView(const store::ChatMessage& message, bool senderIsFriend);

// The note of an authentication message: what the user typed, trimmed, a
// default when nothing is left, as GBK cut to what one message holds.
std::string authenticationText(const QString& typed);
// The kind-3 message that asks `peer` to let the user add him.
protocol::TextMessage authenticationMessage(uint32_t peer, const std::string& gbkText,
                                            uint32_t now);

// The server's answers to a request to add a friend.
inline constexpr int kAddResultAdded = 0;
inline constexpr int kAddResultNeedsAuthentication = 1;
inline constexpr int kAddResultRefused = 2;

// One own request to add a friend. Sending pumps events, so an answer can
// arrive before the send returns: each step is entered before its packet
// goes out, and what the send reports only counts if nothing happened since.
class AddFriendRequest {
  public:
    enum class Stage {
        Idle,                 // nothing asked (a notice window before "加为好友")
        Submitting,           // the relation packet is out, no answer yet
        NeedsAuthentication,  // the user may type and send a note
        SendingMessage,       // the note is being written
        MessageSent,
        Added,
        Refused,
        TimedOut,  // no connection, or no answer in time
    };

    // Before the relation packet goes out.
    void submit() { stage_ = Stage::Submitting; }
    // The relation packet was written (`written`) or there was no connection.
    void submitted(bool written);
    // 0 added, 1 authentication needed, 2 refused; other values are ignored.
    void answered(int result);
    // Before the note goes out; false when none may be sent now.
    bool sendMessage();
    void messageWritten(bool written);
    // The answer did not come in time.
    void timedOut();

    Stage stage() const { return stage_; }
    // UTF-8; empty while idle.
    std::string statusText() const;
    // "通过验证", "拒绝请求" and "加为好友" are no longer offered.
    bool busy() const { return stage_ != Stage::Idle; }
    // The note area is open; its edit and button take input while `editable`.
    bool expanded() const;
    bool editable() const { return stage_ == Stage::NeedsAuthentication; }
    // The face goes round and the time-out runs while the server owes an answer.
    bool waiting() const { return stage_ == Stage::Submitting; }

  private:
    Stage stage_ = Stage::Idle;
};

}  // namespace zemra::client::ui
