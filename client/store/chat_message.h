// The message record shared by the chat windows, the message transport and
// msg.db. Texts are GBK, as stored and sent.
#pragma once

#include <cstdint>
#include <string>

#include "client/store/stored_record.h"

namespace zemra::store {

enum MessageKind : uint8_t {
    kMessageChat = 0,
    kMessageAutoReply = 1,
    kMessageAuthPassed = 2,
    kMessageAuthRequest = 3,
    kMessageAuthRefused = 4,
    kMessageAddedAsFriend = 5,
    kMessageQueueOnly = 6,
};

enum MessageFlag : uint8_t {
    kMessageIncoming = 1u << 0,
    kMessageRelayed = 1u << 1,  // delivered by the server while we were offline
};

constexpr uint32_t kSystemAccountId = 10000;
constexpr uint32_t kSupportAccountId = 10001;

class ChatMessage : public StoredRecord {
  public:
    uint8_t kind = kMessageChat;
    uint8_t flags = 0;
    uint32_t peer = 0;
    uint32_t time = 0;  // seconds since 1970-01-01 UTC
    std::string text;
    // Formatting, stored for ordinary chat messages only.
    std::string faceName;
    uint8_t size = 0;
    uint32_t colour = 0;
    uint8_t effects = 0;  // bit 0 bold, bit 1 italic, bit 2 underline

    bool isIncoming() const { return (flags & kMessageIncoming) != 0; }
    // Messages of the server's system account and the friend-request
    // notices of kinds 2 to 5 are system messages.
    bool isSystemMessage() const;
    // The msg.db key the message is filed under: 0 for system messages, else the peer.
    uint32_t storageKey() const;
    // The text a message view shows for this record (GBK).
    std::string displayedText() const;

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const ChatMessage&) const = default;
};

}  // namespace zemra::store
