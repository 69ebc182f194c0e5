#include "client/app/message_split.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace zemra::client {
namespace {

std::string joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const auto& p : pieces) all += p;
    return all;
}

TEST(SplitMessageText, ShortTextsStayWholeAndEmptyOnesGiveNothing) {
    EXPECT_EQ(splitMessageText("hello", 302), (std::vector<std::string>{"hello"}));
    EXPECT_TRUE(splitMessageText("", 302).empty());
    const std::string exact(302, 'x');
    EXPECT_EQ(splitMessageText(exact, 302).size(), 1u);
}

TEST(SplitMessageText, CutsNeverSplitACharacter) {
    std::string chinese;
    for (int i = 0; i < 10; ++i) chinese += text::toGbk("字");
    const std::string odd = "a" + chinese;  // characters straddle every even cut
    const auto pieces = splitMessageText(odd, 6);
    EXPECT_EQ(joined(pieces), odd);
    for (const auto& p : pieces) {
        EXPECT_LE(p.size(), 6u);
        EXPECT_TRUE(text::gbkToUtf8(p).has_value()) << p.size();
    }
}

TEST(SplitMessageText, AnEmoticonCodeIsNeverCutInTwo) {
    // "/<QQ>" would straddle a cut after 8 bytes.
    const std::string text = "abcdef/<QQ>ghij";
    const auto pieces = splitMessageText(text, 8);
    EXPECT_EQ(joined(pieces), text);
    ASSERT_GE(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], "abcdef");
    EXPECT_EQ(pieces[1].substr(0, 5), "/<QQ>");
    // A slash far from the cut stays where it is.
    EXPECT_EQ(splitMessageText("/:)abcdefgh", 8)[0], "/:)abcde");
    // A code that ends with a slash right at the cut is whole already.
    EXPECT_EQ(splitMessageText("abcd/:-/xyz", 8)[0], "abcd/:-/");
    // A slash that starts no code is no reason to cut early.
    EXPECT_EQ(splitMessageText("abcdef/ghij", 8)[0], "abcdef/g");
}

}  // namespace
}  // namespace zemra::client
