// The binary encoding shared by every stored record (user.db, msg.db,
// message backups and message.cfg): little-endian integers without padding,
// and texts as a u16 length n (bytes + 1) followed by the bytes and a NUL.
//
// The writer fills a fixed 4096-byte buffer and silently skips any field that
// does not fit whole, so an oversized record loses trailing fields, never the
// record. The reader never reads past the value it was given: a field past the
// end reads as 0 or empty.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zemra::store {

class RecordWriter {
  public:
    static constexpr std::size_t kCapacity = 4096;

    void u8(uint8_t value);
    void u16(uint16_t value);
    void u32(uint32_t value);
    // A text whose length field would not fit in u16 is skipped like any other misfit.
    void text(std::string_view value);

    std::size_t size() const { return pos_; }
    std::span<const uint8_t> bytes() const { return {buffer_.data(), pos_}; }

  private:
    std::array<uint8_t, kCapacity> buffer_{};
    std::size_t pos_ = 0;
};

class RecordReader {
  public:
    explicit RecordReader(std::span<const uint8_t> value) : value_(value) {}

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    std::string text();

    std::size_t position() const { return pos_; }
    bool atEnd() const { return pos_ >= value_.size(); }
    std::size_t remaining() const { return atEnd() ? 0 : value_.size() - pos_; }

  private:
    std::span<const uint8_t> value_;
    std::size_t pos_ = 0;
};

}  // namespace zemra::store
