#include "platform/text.h"

#include <gtest/gtest.h>

#include <array>

namespace zemra::text {
namespace {

// "中文" in GBK.
const std::string kZhongWen = "\xD6\xD0\xCE\xC4";

TEST(TextTest, ConvertsBothWaysAndRejectsBadInput) {
    EXPECT_EQ(utf8ToGbk("中文ab"), kZhongWen + "ab");
    EXPECT_EQ(gbkToUtf8(kZhongWen + "ab"), "中文ab");
    EXPECT_EQ(gbkToUtf8(""), "");
    // A lone lead byte at the end and an invalid UTF-8 byte are errors in strict mode...
    EXPECT_FALSE(gbkToUtf8("a\xD6").has_value());
    EXPECT_FALSE(utf8ToGbk("a\xFF").has_value());
    // ...and a character GBK lacks cannot be stored.
    EXPECT_FALSE(utf8ToGbk("😀").has_value());
}

TEST(TextTest, LossyConversionReplacesOnlyTheBadCharacter) {
    EXPECT_EQ(toGbk("a😀b中"), "a?b\xD6\xD0");
    EXPECT_EQ(toUtf8("a\xFF"
                     "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(toUtf8(kZhongWen + "\xD6"), "中文\xEF\xBF\xBD");
}

TEST(TextTest, PrefixNeverSplitsADoubleByteCharacter) {
    const std::string s = "a" + kZhongWen;  // a, 中 (2 bytes), 文 (2 bytes)
    EXPECT_EQ(gbkPrefixLength(s, 0), 0u);
    EXPECT_EQ(gbkPrefixLength(s, 1), 1u);
    EXPECT_EQ(gbkPrefixLength(s, 2), 1u);
    EXPECT_EQ(gbkPrefixLength(s, 3), 3u);
    EXPECT_EQ(gbkPrefixLength(s, 4), 3u);
    EXPECT_EQ(gbkPrefixLength(s, 5), 5u);
    EXPECT_EQ(gbkPrefixLength(s, 99), 5u);
    EXPECT_EQ(gbkPrefix(s, 4), "a\xD6\xD0");
}

TEST(TextTest, CopyToFieldCutsTerminatesAndClearsTheRest) {
    std::array<uint8_t, 5> field;
    field.fill(0xEE);
    // "a中文" needs 5 bytes + NUL: only "a中" fits with its NUL.
    EXPECT_EQ(copyToField(field, "a" + kZhongWen), 3u);
    EXPECT_EQ((std::array<uint8_t, 5>{'a', 0xD6, 0xD0, 0, 0}), field);
    EXPECT_EQ(fieldText(field), "a\xD6\xD0");

    EXPECT_EQ(copyToField(field, "abcd"), 4u);
    EXPECT_EQ(field[4], 0);
    EXPECT_EQ(copyToField(std::span<uint8_t>(), "abc"), 0u);

    // Text after an embedded NUL is not copied.
    field.fill(0xEE);
    EXPECT_EQ(copyToField(field, std::string("a\0b", 3)), 1u);
    EXPECT_EQ(field[2], 0);
}

TEST(TextTest, FieldTextStopsAtTheFieldEndWithoutANul) {
    const std::array<uint8_t, 3> full{'x', 'y', 'z'};
    EXPECT_EQ(fieldText(full), "xyz");
}

}  // namespace
}  // namespace zemra::text
