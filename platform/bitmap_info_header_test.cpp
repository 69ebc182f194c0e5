#include "platform/bitmap_info_header.h"

#include <gtest/gtest.h>

#include <array>

namespace zemra {
namespace {

TEST(BitmapInfoHeaderTest, LayoutIsLittleEndianAt40Bytes) {
    BitmapInfoHeader h;
    h.width = 176;
    h.height = -144;
    h.bitCount = 24;
    h.compression = makeFourCc('V', 'P', '8', '0');
    h.sizeImage = 0x01020304;
    std::array<uint8_t, 40> bytes{};
    h.writeTo(bytes);
    EXPECT_EQ(bytes[0], 40);
    EXPECT_EQ(bytes[4], 176);
    EXPECT_EQ(bytes[8], 0x70);  // -144 = 0xFFFFFF70
    EXPECT_EQ(bytes[11], 0xFF);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bytes[14], 24);
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "VP80");
    EXPECT_EQ(bytes[20], 0x04);
    EXPECT_EQ(bytes[23], 0x01);

    EXPECT_EQ(BitmapInfoHeader::readFrom(bytes), h);
    EXPECT_FALSE(BitmapInfoHeader::readFrom(std::span(bytes).first(39)).has_value());
}

TEST(BitmapInfoHeaderTest, RowsArePaddedToFourBytes) {
    BitmapInfoHeader h;
    h.width = 175;
    h.height = -3;
    h.bitCount = 24;
    EXPECT_EQ(h.rowStride(), 528u);  // 525 rounded up
    EXPECT_EQ(h.imageBytes(), 3u * 528u);
}

}  // namespace
}  // namespace zemra
