// The chat and message view windows' rules without the windows: their sizes
// in each mode, the Enter key, the texts of headers and history items, and
// the colour menu.
#pragma once

#include <QSize>
#include <QString>
#include <array>
#include <cstdint>

#include "client/store/chat_message.h"

namespace zemra::client::ui {

// The chat window's size: the base size with every pane shown, less each
// pane the current modes hide.
struct ChatPanes {
    QSize base;
    int conversationHeight = 0;  // shown in dialogue mode
    int historyHeight = 0;       // shown while the history is open
    int recipientWidth = 0;      // shown in group mode
};
QSize chatWindowSize(const ChatPanes& panes, bool groupMode, bool historyShown, bool dialogueMode);

// Enter in the input box sends when the contact's "Enter sends" choice is on,
// or when Ctrl is held; otherwise it starts a new line.
inline bool enterSends(bool enterSendsChoice, bool ctrlHeld) {
    return enterSendsChoice || ctrlHeld;
}

// "name (12:34:56): " above a message in the conversation pane.
QString conversationHeader(const QString& name, uint32_t time);
// "(2026-12-07 12:34:56)   name\ntext" for the history list.
QString historyItemText(const QString& name, const store::ChatMessage& message);

// Header colours: incoming, own, reloaded into dialogue mode (COLORREF-free RGB).
inline constexpr uint32_t kIncomingHeaderRgb = 0x0000FF;
inline constexpr uint32_t kOwnHeaderRgb = 0x008000;
inline constexpr uint32_t kReloadedHeaderRgb = 0x808080;

// The sixteen colours of the colour menu in menu order (RGB); the menu's
// last entry is the system's text colour.
const std::array<uint32_t, 16>& chatColourMenu();

// Messages shown again when dialogue mode is switched on, and history size.
inline constexpr int kDialogueReload = 3;
inline constexpr int kHistoryItems = 100;
// The input box holds at most this many characters.
inline constexpr int kInputLimit = 450;

}  // namespace zemra::client::ui
