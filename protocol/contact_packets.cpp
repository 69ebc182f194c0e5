#include "protocol/contact_packets.h"

namespace zemra::protocol {
namespace {

// Inside a contact record.
constexpr std::size_t kRecordUserId = 0;
constexpr std::size_t kRecordNickname = 5;
constexpr std::size_t kRecordFace = 16;
constexpr std::size_t kRecordOnline = 20;
constexpr std::size_t kRecordRelation = 24;
constexpr std::size_t kNicknameSize = 11;

// PT_CONTACT_ADDED.
constexpr std::size_t kAddedUserId = 24;
constexpr TextField kAddedNickname{29, kNicknameSize};
constexpr std::size_t kAddedFace = 40;
constexpr std::size_t kAddedOnline = 44;
constexpr std::size_t kAddedRelation = 48;

// Relation packets.
constexpr std::size_t kRelationUserId = 24;
constexpr std::size_t kRelationCode = 30;

constexpr uint16_t kOnlineFlag = 1;

std::vector<uint8_t> buildRelation(uint16_t type, uint32_t userId, uint16_t relation) {
    PacketBuilder packet(type, kRelationChangeSize);
    packet.u32(kRelationUserId, userId);
    packet.u16(kRelationCode, relation);
    return std::move(packet).take();
}

}  // namespace

void writeContactRecord(PacketBuilder& packet, std::size_t offset, const ContactRecord& record) {
    packet.u32(offset + kRecordUserId, record.userId);
    packet.text({offset + kRecordNickname, kNicknameSize}, record.nickname);
    packet.u16(offset + kRecordFace, record.face);
    packet.u16(offset + kRecordOnline, record.online ? kOnlineFlag : 0);
    packet.u16(offset + kRecordRelation, record.relation);
}

ContactRecord readContactRecord(PacketView packet, std::size_t offset) {
    // A record cut short by the end of the packet is not a record at all.
    if (!packet.contains(offset, kContactRecordSize)) return {};
    ContactRecord record;
    record.userId = packet.u32(offset + kRecordUserId);
    record.nickname = packet.text({offset + kRecordNickname, kNicknameSize});
    record.face = packet.u16(offset + kRecordFace);
    record.online = packet.u16(offset + kRecordOnline) == kOnlineFlag;
    record.relation = packet.u16(offset + kRecordRelation);
    return record;
}

std::vector<uint8_t> buildContactAdded(const ContactRecord& contact) {
    PacketBuilder packet(PT_CONTACT_ADDED, kContactAddedSize);
    packet.u32(kAddedUserId, contact.userId);
    packet.text(kAddedNickname, contact.nickname);
    packet.u16(kAddedFace, contact.face);
    packet.u16(kAddedOnline, contact.online ? kOnlineFlag : 0);
    packet.u16(kAddedRelation, contact.relation);
    return std::move(packet).take();
}

ContactRecord parseContactAdded(PacketView packet) {
    ContactRecord contact;
    contact.userId = packet.u32(kAddedUserId);
    contact.nickname = packet.text(kAddedNickname);
    contact.face = packet.u16(kAddedFace);
    contact.online = packet.u16(kAddedOnline) == kOnlineFlag;
    contact.relation = packet.u16(kAddedRelation);
    return contact;
}

std::vector<uint8_t> buildSetRelation(const RelationChange& change) {
    return buildRelation(PT_SET_RELATION, change.userId, change.relation);
}

std::vector<uint8_t> buildAuthAccept(uint32_t userId) {
    return buildRelation(PT_AUTH_ACCEPT, userId, kRelationFriend);
}

std::vector<uint8_t> buildAuthRefuse(uint32_t userId) {
    return buildRelation(PT_AUTH_REFUSE, userId, kRelationRemove);
}

RelationChange parseRelationChange(PacketView packet) {
    return {packet.u32(kRelationUserId), packet.u16(kRelationCode)};
}

}  // namespace zemra::protocol
