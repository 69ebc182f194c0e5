// Reads a fuzz input front to back, little-endian; past its end everything
// reads as zero, so that short inputs still make whole values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zemra::fuzz {

class FuzzInput {
  public:
    explicit FuzzInput(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool done() const { return at_ >= bytes_.size(); }
    uint8_t u8() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    uint16_t u16() {
        const uint16_t low = u8();
        return static_cast<uint16_t>(low | (u8() << 8));
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | (uint32_t{u16()} << 16);
    }
    // Fills `out` from the input, with zeros where it has ended.
    void fill(std::span<uint8_t> out) {
        for (uint8_t& b : out) b = u8();
    }

  private:
    std::span<const uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace zemra::fuzz
