// PT_MESSAGE and PT_MESSAGE_PASSIVE: one text message between users.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// Message kinds.
inline constexpr uint8_t kMessageText = 0;
inline constexpr uint8_t kMessageAutoReply = 1;
inline constexpr uint8_t kMessageAuthPassed = 2;
inline constexpr uint8_t kMessageAuthRequest = 3;
inline constexpr uint8_t kMessageAuthRefused = 4;
inline constexpr uint8_t kMessageNotice = 5;
inline constexpr uint8_t kMessageQueuedOnly = 6;

struct TextMessage {
    uint8_t kind = kMessageText;
    uint32_t fontSize = 0;  // points; receivers use only the lowest byte
    uint8_t colour = 0;     // only the lowest byte of the colour travels
    uint8_t effects = 0;    // bit 0 bold, bit 1 italic, bit 2 underline
    std::string faceName;   // GBK, at most 20 bytes
    uint8_t flags = 0;      // as the sender had them; receivers ignore it
    uint32_t peerId = 0;    // recipient from a client, sender from the server
    std::string text;       // GBK with emoticon codes, at most 302 bytes
    uint32_t time = 0;      // seconds since 1970 (UTC)

    bool operator==(const TextMessage&) const = default;
};

inline constexpr std::size_t kMessageSize = 372;
// The longest text one message carries, and the longest font face name.
inline constexpr std::size_t kMaxMessageTextBytes = 302;
inline constexpr std::size_t kMaxFaceNameBytes = 20;
// `type` is PT_MESSAGE, or PT_MESSAGE_PASSIVE when the server hands out a
// message that must not change the sender's presence.
std::vector<uint8_t> buildMessage(const TextMessage& message, uint16_t type = PT_MESSAGE);
TextMessage parseMessage(PacketView packet);

}  // namespace zemra::protocol
