// What the client core asks of the user interface. The main window
// implements it with real dialogs; tests implement it with a recorder that
// answers on the user's behalf. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "client/app/call_signalling.h"
#include "client/store/chat_message.h"
#include "protocol/file_packets.h"
#include "protocol/profile_packets.h"

namespace zemra::client {

// What the login dialog hands back when the user confirms it.
struct LoginChoice {
    uint32_t userId = 0;
    std::string password;  // GBK, as typed
    bool invisible = false;
    bool savePassword = true;
    uint16_t connectionType = 0;  // 0 ADSL, 1 ISDN, 2 modem
};

// The login dialog's outcomes.
struct LoginDialogResult {
    enum class Kind { Cancelled, Register, Accepted } kind = Kind::Cancelled;
    LoginChoice choice;
};

class UiPort {
  public:
    virtual ~UiPort() = default;

    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;

    // Runs the modal login dialog; `commandLine` pre-fills and accepts it.
    virtual LoginDialogResult runLoginDialog(const std::optional<LoginChoice>& commandLine) = 0;
    // Runs the modal account wizard; true when it ended with a registered or
    // logged-in account (the core has been told the ID and password).
    virtual bool runAccountWizard() = 0;

    // A login went out (true) or was answered or given up (false): the tray
    // animates meanwhile.
    virtual void loginPendingChanged(bool /*pending*/) {}
    // Something in the contact list or the own status changed: redraw.
    virtual void contactsChanged() {}
    virtual void ownStatusChanged() {}
    // A small notice window with a contact's face (face + presence variant) and a text.
    virtual void showContactPopup(uint8_t /*face*/, const std::string& /*text*/) {}
    virtual void playSound(const std::string& /*file*/) {}
    // The queue of unread messages changed (the tray and the list blink
    // while it holds messages).
    virtual void queueChanged() {}
    // A message from a contact in dialogue mode: the chat window for its
    // sender (opened when there is none) shows it. False when there is no
    // window to show it in; the message is queued then.
    virtual bool showInChatWindow(const store::ChatMessage& /*message*/) { return false; }
    // A message of `peer` was queued: open its message view window, or tell
    // the one already open that another message waits.
    virtual void openMessageView(uint32_t /*peer*/) {}
    virtual void nextMessageWaiting(uint32_t /*peer*/) {}
    // An add-friend request was answered (the outgoing request window shows it).
    virtual void addFriendResult(uint32_t /*id*/, int /*result*/) {}
    // Answers that arrive while the account wizard is open go to it.
    virtual void wizardLoginResult(int /*code*/) {}
    virtual void wizardRegistered(uint32_t /*newId*/) {}
    // A user's public details arrived: the details sheet shows them, editable
    // when they are the user's own.
    virtual void showDetails(const protocol::UserDetails& /*details*/, bool /*own*/) {}
    // The user's settings were (re)loaded: stay-on-top, tray icon, hot key,
    // list options and skin follow them.
    virtual void applySettings() {}
    // The main window's title and the "ID:%d" label.
    virtual void setTitle(const std::string& /*title*/) {}
    virtual void setIdLabel(const std::string& /*text*/) {}

    // --- calls ---
    // The ringing or dial-out window shows `text` (UTF-8), or both hide.
    virtual void setCallUi(CallUi /*state*/, const std::string& /*text*/) {}
    // The hang-up button instead of the call button, or back.
    virtual void showCallButtons(bool /*calling*/) {}
    // The media of a connected call start and stop (camera, sound, the
    // partner's picture).
    virtual void callConnected(const ConnectedCall& /*call*/) {}
    virtual void callTeardown() {}
    // A line of the in-call text pane (UTF-8).
    virtual void callTextLine(const std::string& /*line*/, bool /*own*/) {}

    // --- file transfer ---
    // Another user offers a file (the offering user's ID is `offer.peerId`):
    // the file transfer window opens for it, or the client answers busy.
    virtual void fileOffered(const protocol::FileOffer& /*offer*/) {}
};

}  // namespace zemra::client
