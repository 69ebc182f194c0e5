// The main window's rules without the window: which commands need a login
// and what they say without one, what the menus offer, the number field, the
// open action for a contact and the tray icon's clicks. The window draws and
// wires; tests drive these directly.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/net/contact_list.h"

namespace zemra::client::ui {

// Controls of the main window whose commands have rules.
namespace control {
inline constexpr int kMainMenu = 1000;
inline constexpr int kOptions = 1079;
inline constexpr int kMyDetails = 1099;
inline constexpr int kClearDigit = 1108;
inline constexpr int kMessageManager = 1114;
inline constexpr int kCallLog = 1117;
inline constexpr int kCall = 1118;
inline constexpr int kFirstDialKey = 1119;
inline constexpr int kLastDialKey = 1130;
}  // namespace control

// The message for a command that needs a login while there is none, or
// nullopt when the command may run.
std::optional<std::string> loginRefusal(int control, bool loggedIn);
// The same for the contact and list menus.
std::optional<std::string> menuLoginRefusal(bool loggedIn);

// The number field: at most eight characters, typed from the dial pad.
struct NumberField {
    static constexpr std::size_t kMaxLength = 8;
    // The text after dial key `control` (1119 ... 1130, "123456789*0#");
    // unchanged during a call or when full.
    static std::string pressKey(const std::string& text, int control, bool inCall);
    // "清除": the last character goes; fewer than two leave the field empty.
    static std::string clearLast(const std::string& text);
};

enum class MainMenuEntry {
    MessageManager,
    Broadcast,
    StayOnTop,
    NotOnTop,
    MyDetails,
    Options,
    About,
    Exit
};
// "系统广播" only for the system account; of the two stay-on-top entries the
// one that changes the current state.
std::vector<MainMenuEntry> mainMenuEntries(uint32_t ownId, bool onTop);

enum class ContactMenuEntry { Chat, Call, SendFile, Homepage, History, Details };
struct ContactMenuItem {
    ContactMenuEntry entry;
    bool enabled = true;
};
// The menu of a contact of this category: chatting is greyed while the own
// status is offline, calling while in a call.
std::vector<ContactMenuItem> contactMenuEntries(store::ContactCategory category, bool ownOffline,
                                                bool inCall);

// What the list's right-click menu acts on: a group (by index) or a contact
// (by ID, which stays right while the list re-sorts under an open menu).
struct ListTarget {
    enum class Kind { None, Group, Contact } kind = Kind::None;
    int group = -1;
    uint32_t contactId = 0;
    bool canRenameOrRemove() const { return kind != Kind::None; }
};

// The message when a group cannot be deleted.
std::string groupKeptMessage(ContactList::KeepGroup why);

enum class OpenContactAction { DiscardQueued, ShowDetails, Chat };
// Double click on a contact: a queue-only message waiting first from a
// friend is dropped; the black list shows details; anyone else gets a chat.
OpenContactAction openContactAction(store::ContactCategory category,
                                    std::optional<uint8_t> oldestQueuedKind);

// The tray icon's clicks: a single click shows the status menu only once the
// double-click time has passed without a second click; a double click opens.
// Ignored while no user is set.
class TrayClicks : public QObject {
    Q_OBJECT
  public:
    explicit TrayClicks(int doubleClickMs, QObject* parent = nullptr);
    void setUserSet(bool set) { userSet_ = set; }
    void click();
    void doubleClick();
    bool waiting() const { return timer_.isActive(); }

  signals:
    void statusMenuWanted();
    void openWanted();

  private:
    QTimer timer_;  // 1005
    bool userSet_ = false;
};

}  // namespace zemra::client::ui
