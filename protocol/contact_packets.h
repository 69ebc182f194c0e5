// Contact records and the packets that change the contact list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// Relation codes: 10 + the index of the contact's group, with the three
// standard groups friends, strangers, blacklist; 0 removes the contact.
inline constexpr uint16_t kRelationRemove = 0;
inline constexpr uint16_t kRelationFriend = 10;
inline constexpr uint16_t kRelationStranger = 11;
inline constexpr uint16_t kRelationBlacklist = 12;

// One contact as the server reports it: a 32-byte record in PT_LOGIN_OK, and
// the body of PT_CONTACT_ADDED.
struct ContactRecord {
    uint32_t userId = 0;
    std::string nickname;  // GBK, at most 10 bytes
    uint16_t face = 0;     // 0-84
    bool online = false;   // on the wire 1 is online, anything else offline
    uint16_t relation = 0;

    bool operator==(const ContactRecord&) const = default;
};

inline constexpr std::size_t kContactRecordSize = 32;
void writeContactRecord(PacketBuilder& packet, std::size_t offset, const ContactRecord& record);
ContactRecord readContactRecord(PacketView packet, std::size_t offset);

// PT_CONTACT_ADDED: the same fields spread over their own offsets.
inline constexpr std::size_t kContactAddedSize = 52;
std::vector<uint8_t> buildContactAdded(const ContactRecord& contact);
ContactRecord parseContactAdded(PacketView packet);

// PT_SET_RELATION, PT_AUTH_ACCEPT (relation 10) and PT_AUTH_REFUSE (0).
struct RelationChange {
    uint32_t userId = 0;
    uint16_t relation = 0;

    bool operator==(const RelationChange&) const = default;
};

inline constexpr std::size_t kRelationChangeSize = 32;
std::vector<uint8_t> buildSetRelation(const RelationChange& change);
std::vector<uint8_t> buildAuthAccept(uint32_t userId);
std::vector<uint8_t> buildAuthRefuse(uint32_t userId);
RelationChange parseRelationChange(PacketView packet);

}  // namespace zemra::protocol
