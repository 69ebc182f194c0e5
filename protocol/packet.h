// The 20-byte packet header and bounds-checked access to packet bytes.
//
// Packets are read and written by offset; offsets always count from the start
// of the packet, header included. Integers are little-endian, IPv4 addresses
// travel in network byte order, texts are GBK and NUL-terminated inside
// fixed fields.
//
// Reading never goes past the bytes given, whatever sizes the packet claims:
// a field that does not lie wholly inside them reads as 0, or as an empty
// text. Parsers built on PacketView therefore never fail; a short or damaged
// packet just yields zero and empty fields. They do not check the type
// either: the caller has already switched on it.
//
// Writing cuts texts to their field (see copyToField in platform/text.h): at
// most the field's size less one byte, so the NUL always fits, never inside a
// two-byte GBK character, and nothing after an embedded NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/packet_types.h"

namespace zemra::protocol {

inline constexpr std::size_t kHeaderSize = 20;
// Longest body a receiver accepts; anything longer is treated as garbage.
inline constexpr uint32_t kMaxBodyLength = 10240;
inline constexpr std::size_t kMaxPacketSize = kHeaderSize + kMaxBodyLength;

struct PacketHeader {
    uint16_t version = 0;     // at 2
    uint16_t type = 0;        // at 6
    uint32_t bodyLength = 0;  // at 12: packet size - 20
};

// A fixed text field: where the text starts and how many bytes it may take,
// its NUL included. A prefix byte in front of it is simply left zero.
struct TextField {
    std::size_t offset;
    std::size_t size;
};

class PacketView {
  public:
    PacketView() = default;
    PacketView(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    PacketView(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::span<const uint8_t> bytes() const { return bytes_; }

    // True when [offset, offset + width) lies inside the packet.
    bool contains(std::size_t offset, std::size_t width) const {
        return offset <= bytes_.size() && width <= bytes_.size() - offset;
    }

    uint8_t u8(std::size_t offset) const;
    uint16_t u16(std::size_t offset) const;
    uint32_t u32(std::size_t offset) const;
    // The address as held in memory (in_addr::s_addr): network byte order.
    uint32_t ipv4(std::size_t offset) const;
    // The GBK text up to the first NUL or the end of the field.
    std::string text(TextField field) const;

    PacketHeader header() const;
    uint16_t type() const { return u16(6); }

  private:
    std::span<const uint8_t> bytes_;
};

// Owns a zeroed packet of a fixed size with its header filled in. Writes that
// would not fit the packet are dropped; every builder uses constant offsets
// that its tests check, so a dropped write is a bug caught there.
class PacketBuilder {
  public:
    // `size` is the whole packet; anything below the header size is raised to it.
    PacketBuilder(uint16_t type, std::size_t size);

    void u8(std::size_t offset, uint8_t value);
    void u16(std::size_t offset, uint16_t value);
    void u32(std::size_t offset, uint32_t value);
    void ipv4(std::size_t offset, uint32_t networkOrder);
    void text(TextField field, std::string_view gbk);

    std::size_t size() const { return bytes_.size(); }
    std::vector<uint8_t> take() && { return std::move(bytes_); }

  private:
    uint8_t* at(std::size_t offset, std::size_t width);

    std::vector<uint8_t> bytes_;
};

// Writes version, type and body length into the first 20 bytes and zeroes the
// rest of the header. Does nothing when `packet` is shorter than the header.
void writeHeader(std::span<uint8_t> packet, uint16_t type, uint32_t bodyLength);

}  // namespace zemra::protocol
