#include "bitmap_info_header.h"

#include <cstdlib>

#include "platform/byte_order.h"

namespace zemra {

void BitmapInfoHeader::writeTo(std::span<uint8_t> out) const {
    uint8_t* p = out.data();
    putLe32(p + 0, size);
    putLe32(p + 4, static_cast<uint32_t>(width));
    putLe32(p + 8, static_cast<uint32_t>(height));
    putLe16(p + 12, planes);
    putLe16(p + 14, bitCount);
    putLe32(p + 16, compression);
    putLe32(p + 20, sizeImage);
    putLe32(p + 24, static_cast<uint32_t>(xPelsPerMeter));
    putLe32(p + 28, static_cast<uint32_t>(yPelsPerMeter));
    putLe32(p + 32, clrUsed);
    putLe32(p + 36, clrImportant);
}

std::optional<BitmapInfoHeader> BitmapInfoHeader::readFrom(std::span<const uint8_t> in) {
    if (in.size() < kSize) return std::nullopt;
    const uint8_t* p = in.data();
    BitmapInfoHeader h;
    h.size = getLe32(p + 0);
    h.width = static_cast<int32_t>(getLe32(p + 4));
    h.height = static_cast<int32_t>(getLe32(p + 8));
    h.planes = getLe16(p + 12);
    h.bitCount = getLe16(p + 14);
    h.compression = getLe32(p + 16);
    h.sizeImage = getLe32(p + 20);
    h.xPelsPerMeter = static_cast<int32_t>(getLe32(p + 24));
    h.yPelsPerMeter = static_cast<int32_t>(getLe32(p + 28));
    h.clrUsed = getLe32(p + 32);
    h.clrImportant = getLe32(p + 36);
    return h;
}

uint32_t BitmapInfoHeader::rowStride() const {
    const uint64_t bits = static_cast<uint64_t>(std::abs(static_cast<int64_t>(width))) * bitCount;
    return static_cast<uint32_t>(((bits + 31) / 32) * 4);
}

uint32_t BitmapInfoHeader::imageBytes() const {
    return static_cast<uint32_t>(static_cast<uint64_t>(rowStride()) *
                                 static_cast<uint64_t>(std::abs(static_cast<int64_t>(height))));
}

}  // namespace zemra
