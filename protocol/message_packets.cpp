#include "protocol/message_packets.h"

namespace zemra::protocol {
namespace {

constexpr std::size_t kKind = 21;
constexpr std::size_t kFontSize = 24;
constexpr std::size_t kColour = 29;
constexpr std::size_t kEffects = 31;
constexpr TextField kFaceName{33, 21};
constexpr std::size_t kFlags = 54;
constexpr std::size_t kPeerId = 56;
constexpr TextField kText{61, 303};
constexpr std::size_t kTime = 364;

}  // namespace

std::vector<uint8_t> buildMessage(const TextMessage& message, uint16_t type) {
    PacketBuilder packet(type, kMessageSize);
    packet.u8(kKind, message.kind);
    packet.u32(kFontSize, message.fontSize);
    packet.u8(kColour, message.colour);
    packet.u8(kEffects, message.effects);
    packet.text(kFaceName, message.faceName);
    packet.u8(kFlags, message.flags);
    packet.u32(kPeerId, message.peerId);
    packet.text(kText, message.text);
    packet.u32(kTime, message.time);
    return std::move(packet).take();
}

TextMessage parseMessage(PacketView packet) {
    TextMessage message;
    message.kind = packet.u8(kKind);
    message.fontSize = packet.u32(kFontSize);
    message.colour = packet.u8(kColour);
    message.effects = packet.u8(kEffects);
    message.faceName = packet.text(kFaceName);
    message.flags = packet.u8(kFlags);
    message.peerId = packet.u32(kPeerId);
    message.text = packet.text(kText);
    message.time = packet.u32(kTime);
    return message;
}

}  // namespace zemra::protocol
