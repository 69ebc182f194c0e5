#include "client/ui/reply_menus.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace zemra::client::ui {
namespace {

std::string g(const char* utf8) {
    return text::toGbk(utf8);
}

std::vector<std::string> lines(int count) {
    std::vector<std::string> out;
    for (int i = 1; i <= count; ++i) out.push_back(g("留言") + std::to_string(i));
    return out;
}

TEST(ReplyMenuLabelTest, OnlyTextsLongerThanTwentyBytesAreShortened) {
    EXPECT_EQ(replyMenuLabel("abcdefghijklmnopqrst"), "abcdefghijklmnopqrst");
    EXPECT_EQ(replyMenuLabel(g("一二三四五六七八九十")), g("一二三四五六七八九十"));
    EXPECT_EQ(replyMenuLabel("abcdefghijklmnopqrstu"), "abcdefghijklmnopqrst...");
    EXPECT_EQ(replyMenuLabel(""), "");
}

TEST(ReplyMenuLabelTest, TheCutNeverSplitsADoubleByteCharacter) {
    // Byte 20 is the first half of "十": the label stops before it.
    EXPECT_EQ(replyMenuLabel(g("a一二三四五六七八九十")), g("a一二三四五六七八九") + "...");
    // Byte 20 is the second half of "十" (a byte that could also start one):
    // the whole character stays.
    EXPECT_EQ(replyMenuLabel(g("一二三四五六七八九十x")), g("一二三四五六七八九十") + "...");
}

TEST(QuickReplyMenuTest, ALongReplyShowsShortButIsChosenWhole) {
    const std::string longReply = "abcdefghijklmnopqrstu";
    const auto items = quickReplyMenu({g("哦"), longReply}, "");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].label, g("哦"));
    EXPECT_EQ(items[0].text, g("哦"));
    EXPECT_EQ(items[1].label, "abcdefghijklmnopqrst...");
    EXPECT_EQ(items[1].text, longReply);
    for (const auto& item : items) {
        EXPECT_FALSE(item.checked);
        EXPECT_TRUE(item.enabled);
    }
}

TEST(QuickReplyMenuTest, TheStoredQuickReplyIsMatchedAgainstTheShownLabel) {
    const std::string longReply = g("你好，我现在有事不在，一会儿再和你联系");
    const std::vector<std::string> replies = {g("哦"), longReply, g("是吗?")};

    auto items = quickReplyMenu(replies, replyMenuLabel(longReply));
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(items[1].checked);
    EXPECT_FALSE(items[2].checked);

    items = quickReplyMenu(replies, longReply);  // the whole text is not what a menu shows
    EXPECT_FALSE(items[1].checked);

    items = quickReplyMenu(replies, g("是吗?"));
    EXPECT_FALSE(items[1].checked);
    EXPECT_TRUE(items[2].checked);
}

TEST(AwayMenuTest, OnlyTheFirstTenOfALongListAreEnabled) {
    const AwayMenu menu = awayMenu(lines(12), "", false);
    ASSERT_EQ(menu.replies.size(), 12u);
    for (std::size_t i = 0; i < menu.replies.size(); ++i) {
        EXPECT_EQ(menu.replies[i].enabled, i < 10) << "entry " << i;
        EXPECT_EQ(menu.replies[i].text, lines(12)[i]);
    }
}

TEST(AwayMenuTest, TheMarkFollowsTheActiveFlag) {
    const auto replies = lines(3);

    AwayMenu active = awayMenu(replies, replies[1], true);
    EXPECT_FALSE(active.noReplyChecked);
    EXPECT_FALSE(active.replies[0].checked);
    EXPECT_TRUE(active.replies[1].checked);
    EXPECT_FALSE(active.replies[2].checked);

    // The text is still stored, but away without a reply marks "无回复消息" only.
    AwayMenu inactive = awayMenu(replies, replies[1], false);
    EXPECT_TRUE(inactive.noReplyChecked);
    for (const auto& item : inactive.replies) EXPECT_FALSE(item.checked);
}

TEST(AwayMenuTest, TheActiveReplyIsMatchedByItsWholeText) {
    // Both show the same label; only the one sent as the reply is marked.
    const std::string first = "abcdefghijklmnopqrst-one";
    const std::string second = "abcdefghijklmnopqrst-two";
    const AwayMenu menu = awayMenu({first, second}, second, true);
    ASSERT_EQ(menu.replies[0].label, menu.replies[1].label);
    EXPECT_FALSE(menu.replies[0].checked);
    EXPECT_TRUE(menu.replies[1].checked);
}

}  // namespace
}  // namespace zemra::client::ui
