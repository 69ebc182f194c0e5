#include "client/app/emoticon_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace zemra::client {
namespace {

using Pieces = std::vector<TextPiece>;

TextPiece text(const char* s) {
    return {s, -1};
}
TextPiece picture(int index) {
    return {"", index};
}

// Code -> picture, through the whole table.

TEST(EmoticonCodes, EveryCodeAloneAndInsideWordsIsItsOwnPicture) {
    for (int i = 0; i < kEmoticonCount; ++i) {
        const std::string code(emoticonCode(i));
        SCOPED_TRACE(code);
        ASSERT_EQ(code.front(), '/');
        EXPECT_EQ(emoticonAt(code, 0), i);
        EXPECT_EQ(splitEmoticons(code), Pieces{picture(i)});
        EXPECT_EQ(splitEmoticons("ab" + code + "cd"), (Pieces{text("ab"), picture(i), text("cd")}));
        // Cut one character short, a code is no longer a code.
        EXPECT_EQ(emoticonAt(code.substr(0, code.size() - 1), 0), -1);
    }
}

TEST(EmoticonCodes, LookupOutsideTheTableOrAwayFromASlashFindsNothing) {
    EXPECT_EQ(emoticonCode(-1), "");
    EXPECT_EQ(emoticonCode(kEmoticonCount), "");
    EXPECT_EQ(emoticonCode(10), "/:-|");
    EXPECT_EQ(emoticonCode(33), "/<Y1>");
    EXPECT_EQ(emoticonAt("x/:)", 0), -1);
    EXPECT_EQ(emoticonAt("x/:)", 1), 14);
    EXPECT_EQ(emoticonAt("/:)", 3), -1);
    EXPECT_EQ(emoticonAt("/:)", 99), -1);
}

TEST(EmoticonCodes, SplitKeepsTextAroundAdjacentAndTrailingCodes) {
    EXPECT_EQ(splitEmoticons("/:-|"), Pieces{picture(10)});
    EXPECT_EQ(splitEmoticons("/<Y1>"), Pieces{picture(33)});
    EXPECT_EQ(splitEmoticons("a/:)b"), (Pieces{text("a"), picture(14), text("b")}));
    EXPECT_EQ(splitEmoticons("/:)/:("), (Pieces{picture(14), picture(5)}));
    EXPECT_EQ(splitEmoticons("bye /<OK>"), (Pieces{text("bye "), picture(46)}));
    EXPECT_EQ(splitEmoticons(""), Pieces{});
}

TEST(EmoticonCodes, ASlashWithoutACompleteCodeStaysText) {
    EXPECT_EQ(splitEmoticons("/:"), Pieces{text("/:")});
    EXPECT_EQ(splitEmoticons("/"), Pieces{text("/")});
    EXPECT_EQ(splitEmoticons("and/or"), Pieces{text("and/or")});
    EXPECT_EQ(splitEmoticons("/<Y3>"), Pieces{text("/<Y3>")});
    // The text ends before the code does.
    EXPECT_EQ(splitEmoticons("a/<OK"), Pieces{text("a/<OK")});
    // A failed '/' is skipped by one character only, so the next one counts.
    EXPECT_EQ(splitEmoticons("//:)"), (Pieces{text("/"), picture(14)}));
    EXPECT_EQ(splitEmoticons("/</:D>"), (Pieces{text("/<"), picture(13), text(">")}));
}

TEST(EmoticonCodes, GbkTextAroundCodesSplitsByteForByte) {
    // "你好" in GBK, with a trail byte that is not ASCII either.
    const std::string hello = "\xC4\xE3\xBA\xC3";
    EXPECT_EQ(splitEmoticons(hello + "/:D" + hello),
              (Pieces{{hello, -1}, picture(13), {hello, -1}}));
}

// Typed codes: the caret has just passed the last character of a code.

TEST(TypedCode, ACodeEndingAtTheCaretIsFoundWhereItStarts) {
    auto found = typedCodeBefore("hi /:)", 6);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->start, 3);
    EXPECT_EQ(found->length, 3);
    EXPECT_EQ(found->index, 14);

    found = typedCodeBefore("/<OK>", 5);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->start, 0);
    EXPECT_EQ(found->length, 5);
    EXPECT_EQ(found->index, 46);

    // The code's own last character may be a '/'.
    found = typedCodeBefore("x/:-/", 5);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->start, 1);
    EXPECT_EQ(found->index, 1);

    // Text after the caret does not matter.
    found = typedCodeBefore("a/:)b", 4);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->start, 1);
}

TEST(TypedCode, NothingWhenTheCodeIsIncompleteInterruptedOrEndsElsewhere) {
    EXPECT_FALSE(typedCodeBefore("/:", 2));
    EXPECT_FALSE(typedCodeBefore("/ :)", 4));
    EXPECT_FALSE(typedCodeBefore("/:)x", 4));  // ended before the caret
    EXPECT_FALSE(typedCodeBefore("/:)", 2));   // caret inside the code
    EXPECT_FALSE(typedCodeBefore(":)", 2));    // no '/' before the line start
    EXPECT_FALSE(typedCodeBefore("/", 1));
    EXPECT_FALSE(typedCodeBefore("", 0));
    EXPECT_FALSE(typedCodeBefore("/:)", 7));  // caret past the line
    // The nearest '/' decides: "/:" then "/)" is no code.
    EXPECT_FALSE(typedCodeBefore("/:/)", 4));
    // A picture (or any non-ASCII character) inside is no code.
    EXPECT_FALSE(typedCodeBefore(QString("/") + QChar(0xFFFC) + ":)", 4));
}

}  // namespace
}  // namespace zemra::client
