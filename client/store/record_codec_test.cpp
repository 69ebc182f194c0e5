#include "client/store/record_codec.h"

#include <gtest/gtest.h>

#include <vector>

namespace zemra::store {
namespace {

std::vector<uint8_t> bytesOf(const RecordWriter& w) {
    return {w.bytes().begin(), w.bytes().end()};
}

TEST(RecordWriterTest, WritesLittleEndianAndLengthPrefixedTexts) {
    RecordWriter w;
    w.u8(0x01);
    w.u16(0x0203);
    w.u32(0x04050607);
    w.text("ab");
    w.text("");
    EXPECT_EQ(bytesOf(w), (std::vector<uint8_t>{0x01, 0x03, 0x02, 0x07, 0x06, 0x05, 0x04, 3, 0, 'a',
                                                'b', 0, 1, 0, 0}));
}

// Fills a writer up to `position` with single bytes.
void fillTo(RecordWriter& w, std::size_t position) {
    while (w.size() < position) w.u8(0xAA);
}

TEST(RecordWriterTest, FieldsThatDoNotFitAreSkippedAndWritingGoesOn) {
    RecordWriter u32Edge;
    fillTo(u32Edge, 4092);
    u32Edge.u32(1);
    EXPECT_EQ(u32Edge.size(), 4096u);

    RecordWriter u32Over;
    fillTo(u32Over, 4093);
    u32Over.u32(1);  // skipped...
    u32Over.u16(2);  // ...but a smaller field behind it still fits
    EXPECT_EQ(u32Over.size(), 4095u);
    u32Over.u16(3);
    u32Over.u8(4);
    EXPECT_EQ(u32Over.size(), 4096u);
    EXPECT_EQ(u32Over.bytes()[4095], 4);

    // A text needs position + (length + 1) <= 4094.
    RecordWriter textEdge;
    fillTo(textEdge, 4090);
    textEdge.text("abc");  // 4090 + 4 = 4094: fits
    EXPECT_EQ(textEdge.size(), 4096u);

    RecordWriter textOver;
    fillTo(textOver, 4091);
    textOver.text("abc");  // 4091 + 4 = 4095: skipped whole
    EXPECT_EQ(textOver.size(), 4091u);
    textOver.text("");  // 4091 + 1 <= 4094
    EXPECT_EQ(textOver.size(), 4094u);
}

TEST(RecordReaderTest, ReadsPastTheEndAsZeroWithoutMoving) {
    const std::vector<uint8_t> value{0x11, 0x22, 0x33};
    RecordReader r(value);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.position(), 0u);
    EXPECT_EQ(r.u16(), 0x2211);
    EXPECT_EQ(r.u16(), 0u);
    EXPECT_EQ(r.u8(), 0x33);
    EXPECT_EQ(r.u8(), 0);
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.text(), "");
}

TEST(RecordReaderTest, DamagedTextsReadEmptyAndSkipOnlyTheirLength) {
    // Declared length beyond the value.
    const std::vector<uint8_t> tooLong{9, 0, 'a', 'b', 0};
    RecordReader r1(tooLong);
    EXPECT_EQ(r1.text(), "");
    EXPECT_EQ(r1.position(), 2u);
    EXPECT_EQ(r1.u8(), 'a');

    // Last byte of the text is not a NUL.
    const std::vector<uint8_t> unterminated{2, 0, 'a', 'b', 7};
    RecordReader r2(unterminated);
    EXPECT_EQ(r2.text(), "");
    EXPECT_EQ(r2.position(), 2u);

    // Zero length.
    const std::vector<uint8_t> zero{0, 0, 5};
    RecordReader r3(zero);
    EXPECT_EQ(r3.text(), "");
    EXPECT_EQ(r3.u8(), 5);

    // An embedded NUL ends the text, the position still moves by the full length.
    const std::vector<uint8_t> embedded{4, 0, 'a', 0, 'b', 0, 6};
    RecordReader r4(embedded);
    EXPECT_EQ(r4.text(), "a");
    EXPECT_EQ(r4.u8(), 6);
}

TEST(RecordCodecTest, RoundTripsEveryPrimitive) {
    RecordWriter w;
    w.u8(200);
    w.text("\xD6\xD0\xCE\xC4");
    w.u32(0xFFFFFFFF);
    w.u16(65535);
    RecordReader r(w.bytes());
    EXPECT_EQ(r.u8(), 200);
    EXPECT_EQ(r.text(), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(r.u32(), 0xFFFFFFFFu);
    EXPECT_EQ(r.u16(), 65535);
    EXPECT_TRUE(r.atEnd());
}

}  // namespace
}  // namespace zemra::store
