#include "protocol/packet.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/text.h"

namespace zemra::protocol {
namespace {

constexpr std::size_t kVersionOffset = 2;
constexpr std::size_t kTypeOffset = 6;
constexpr std::size_t kBodyLengthOffset = 12;

}  // namespace

uint8_t PacketView::u8(std::size_t offset) const {
    return contains(offset, 1) ? bytes_[offset] : 0;
}

uint16_t PacketView::u16(std::size_t offset) const {
    return contains(offset, 2) ? getLe16(bytes_.data() + offset) : 0;
}

uint32_t PacketView::u32(std::size_t offset) const {
    return contains(offset, 4) ? getLe32(bytes_.data() + offset) : 0;
}

uint32_t PacketView::ipv4(std::size_t offset) const {
    uint32_t value = 0;
    if (contains(offset, 4)) std::memcpy(&value, bytes_.data() + offset, 4);
    return value;
}

std::string PacketView::text(TextField field) const {
    if (!contains(field.offset, field.size)) return {};
    return std::string(text::fieldText(bytes_.subspan(field.offset, field.size)));
}

PacketHeader PacketView::header() const {
    return {u16(kVersionOffset), u16(kTypeOffset), u32(kBodyLengthOffset)};
}

PacketBuilder::PacketBuilder(uint16_t type, std::size_t size)
    : bytes_(std::max(size, kHeaderSize), uint8_t{0}) {
    writeHeader(bytes_, type, static_cast<uint32_t>(bytes_.size() - kHeaderSize));
}

uint8_t* PacketBuilder::at(std::size_t offset, std::size_t width) {
    const bool fits = offset <= bytes_.size() && width <= bytes_.size() - offset;
    assert(fits && "field outside the packet");
    return fits ? bytes_.data() + offset : nullptr;
}

void PacketBuilder::u8(std::size_t offset, uint8_t value) {
    if (uint8_t* p = at(offset, 1)) *p = value;
}

void PacketBuilder::u16(std::size_t offset, uint16_t value) {
    if (uint8_t* p = at(offset, 2)) putLe16(p, value);
}

void PacketBuilder::u32(std::size_t offset, uint32_t value) {
    if (uint8_t* p = at(offset, 4)) putLe32(p, value);
}

void PacketBuilder::ipv4(std::size_t offset, uint32_t networkOrder) {
    if (uint8_t* p = at(offset, 4)) std::memcpy(p, &networkOrder, 4);
}

void PacketBuilder::text(TextField field, std::string_view gbk) {
    if (uint8_t* p = at(field.offset, field.size)) text::copyToField({p, field.size}, gbk);
}

void writeHeader(std::span<uint8_t> packet, uint16_t type, uint32_t bodyLength) {
    if (packet.size() < kHeaderSize) return;
    std::fill_n(packet.begin(), kHeaderSize, uint8_t{0});
    putLe16(packet.data() + kVersionOffset, kProtocolVersion);
    putLe16(packet.data() + kTypeOffset, type);
    putLe32(packet.data() + kBodyLengthOffset, bodyLength);
}

}  // namespace zemra::protocol
