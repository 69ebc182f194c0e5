// Stream formats as an AVI stream or a codec receives them: a small
// uncompressed picture and the speech format of a call.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmap_info_header.h"
#include "platform/wave_format.h"

namespace zemra::testing {

inline std::vector<uint8_t> pictureFormatBytes() {
    BitmapInfoHeader h;
    h.width = 16;
    h.height = 8;
    h.bitCount = 24;
    h.sizeImage = h.imageBytes();
    std::vector<uint8_t> bytes(BitmapInfoHeader::kSize);
    h.writeTo(bytes);
    return bytes;
}

inline std::vector<uint8_t> waveFormatBytes() {
    std::vector<uint8_t> bytes(WaveFormat::kSize);
    WaveFormat::pcm(8000, 1, 16).writeTo(bytes);
    return bytes;
}

}  // namespace zemra::testing
