#include "protocol/simple_packets.h"

namespace zemra::protocol {
namespace {

constexpr std::size_t kUserIdOffset = 24;
constexpr std::size_t kSubCodeOffset = 22;

}  // namespace

std::vector<uint8_t> buildHeaderOnly(uint16_t type) {
    return PacketBuilder(type, kHeaderSize).take();
}

std::vector<uint8_t> buildUserIdPacket(uint16_t type, uint32_t userId) {
    PacketBuilder packet(type, kUserIdPacketSize);
    packet.u32(kUserIdOffset, userId);
    return std::move(packet).take();
}

uint32_t parseUserId(PacketView packet) {
    return packet.u32(kUserIdOffset);
}

std::vector<uint8_t> buildSubCodePacket(uint16_t type, uint16_t subCode) {
    PacketBuilder packet(type, kSubCodePacketSize);
    packet.u16(kSubCodeOffset, subCode);
    return std::move(packet).take();
}

uint16_t parseSubCode(PacketView packet) {
    return packet.u16(kSubCodeOffset);
}

}  // namespace zemra::protocol
