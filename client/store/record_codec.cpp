#include "record_codec.h"

#include <cstring>
#include <limits>

#include "platform/byte_order.h"

namespace zemra::store {

// The fit limits are those the stored files were always written with: a
// primitive must end at or before byte 4096, a text's bytes at or before 4094.
void RecordWriter::u8(uint8_t value) {
    if (pos_ > kCapacity - 1) return;
    buffer_[pos_++] = value;
}

void RecordWriter::u16(uint16_t value) {
    if (pos_ > kCapacity - 2) return;
    putLe16(&buffer_[pos_], value);
    pos_ += 2;
}

void RecordWriter::u32(uint32_t value) {
    if (pos_ > kCapacity - 4) return;
    putLe32(&buffer_[pos_], value);
    pos_ += 4;
}

void RecordWriter::text(std::string_view value) {
    // An embedded NUL would end the text on reading; store only what reads back.
    value = value.substr(0, value.find('\0'));
    if (value.size() + 1 > std::numeric_limits<uint16_t>::max()) return;
    const std::size_t n = value.size() + 1;
    if (pos_ + n > kCapacity - 2) return;
    putLe16(&buffer_[pos_], static_cast<uint16_t>(n));
    std::memcpy(&buffer_[pos_ + 2], value.data(), value.size());
    buffer_[pos_ + 2 + value.size()] = 0;
    pos_ += 2 + n;
}

uint8_t RecordReader::u8() {
    if (value_.size() - std::min(pos_, value_.size()) < 1) return 0;
    return value_[pos_++];
}

uint16_t RecordReader::u16() {
    if (value_.size() - std::min(pos_, value_.size()) < 2) return 0;
    const uint16_t v = getLe16(&value_[pos_]);
    pos_ += 2;
    return v;
}

uint32_t RecordReader::u32() {
    if (value_.size() - std::min(pos_, value_.size()) < 4) return 0;
    const uint32_t v = getLe32(&value_[pos_]);
    pos_ += 4;
    return v;
}

std::string RecordReader::text() {
    const uint16_t n = u16();
    if (n == 0) return {};
    const std::size_t left = value_.size() - std::min(pos_, value_.size());
    if (n > left || value_[pos_ + n - 1] != 0) return {};
    const auto* begin = reinterpret_cast<const char*>(&value_[pos_]);
    pos_ += n;
    // Taken up to its first NUL, which may come before the terminating one.
    return std::string(begin, ::strnlen(begin, n));
}

}  // namespace zemra::store
