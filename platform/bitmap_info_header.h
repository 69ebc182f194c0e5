// The 40-byte bitmap information header used by snapshot files, key frames
// and the format chunks of AVI video streams. Kept as plain fields and
// (de)serialised explicitly, since it travels in little-endian files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zemra {

struct BitmapInfoHeader {
    static constexpr uint32_t kSize = 40;

    uint32_t size = kSize;
    int32_t width = 0;
    int32_t height = 0;  // positive: bottom-up rows
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;  // 0 = uncompressed RGB, else a FOURCC
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;

    // Writes the 40 bytes at `out`, which must hold at least kSize bytes.
    void writeTo(std::span<uint8_t> out) const;
    // Reads from at least kSize bytes; nullopt when fewer are given.
    static std::optional<BitmapInfoHeader> readFrom(std::span<const uint8_t> in);

    // Bytes of one row of an uncompressed picture, padded to 4 bytes.
    uint32_t rowStride() const;
    // Bytes of an uncompressed picture of this size and depth.
    uint32_t imageBytes() const;

    bool operator==(const BitmapInfoHeader&) const = default;
};

// FOURCC as stored in files: the first character in the lowest byte.
constexpr uint32_t makeFourCc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

}  // namespace zemra
