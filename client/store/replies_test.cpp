#include "client/store/replies.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using ::testing::ElementsAre;
using testing::readFile;
using testing::writeFile;

class RepliesTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

    std::filesystem::path file() const { return dir_ / "quickreply.txt"; }
};

TEST_F(RepliesTest, MissingFileGivesAnEmptyList) {
    EXPECT_TRUE(LoadReplies(file()).empty());
}

TEST_F(RepliesTest, OneEntryPerLineBlankLinesIncluded) {
    writeFile(file(), "first\n\nthird\nlast without break");
    EXPECT_THAT(LoadReplies(file()), ElementsAre("first", "", "third", "last without break"));
}

TEST_F(RepliesTest, WindowsLineEndsReadAsPlainBreaks) {
    writeFile(file(), "a\r\nb\r\n\r\nc\r");
    EXPECT_THAT(LoadReplies(file()), ElementsAre("a", "b", "", "c\r"));
}

TEST_F(RepliesTest, LineOf200BytesBecomesTwoEntries) {
    writeFile(file(), std::string(200, 'x') + "\nnext\n");
    EXPECT_THAT(LoadReplies(file()),
                ElementsAre(std::string(127, 'x'), std::string(73, 'x'), "next"));
}

TEST_F(RepliesTest, LineOfExactly127BytesIsFollowedByAnEmptyEntry) {
    writeFile(file(), std::string(127, 'y') + "\n" + std::string(126, 'z') + "\n");
    EXPECT_THAT(LoadReplies(file()), ElementsAre(std::string(127, 'y'), "", std::string(126, 'z')));
}

TEST_F(RepliesTest, EmbeddedNulEndsItsEntry) {
    writeFile(file(), std::string("ab\0cd\nef\n", 9));
    EXPECT_THAT(LoadReplies(file()), ElementsAre("ab", "ef"));
}

TEST_F(RepliesTest, SaveAndLoadRoundTrip) {
    const std::vector<std::string> entries = {text::toGbk("你好"), "", "plain"};
    ASSERT_TRUE(SaveReplies(file(), entries));
    EXPECT_EQ(readFile(file()), text::toGbk("你好") + "\n\nplain\n");
    EXPECT_EQ(LoadReplies(file()), entries);
    ASSERT_TRUE(SaveReplies(file(), {}));
    EXPECT_EQ(readFile(file()), "");
    EXPECT_FALSE(SaveReplies(dir_ / "missing" / "x.txt", entries));
}

TEST_F(RepliesTest, NewUserGetsTheDefaultLists) {
    ASSERT_TRUE(writeDefaultReplies(dir_));
    EXPECT_EQ(readFile(dir_ / "quickreply.txt"),
              text::toGbk("哦\n好了,好了,我知道了\n是吗?\n不会是真的吧?\n"));
    EXPECT_EQ(readFile(dir_ / "autoreply.txt"),
              text::toGbk("你好，我现在有事不在，一会儿再和你联系\n工作中，请勿打扰\n"
                          "我去吃饭了，一会儿再联系\n"));
    EXPECT_EQ(LoadReplies(dir_ / "quickreply.txt"), defaultQuickReplies());
    EXPECT_EQ(LoadReplies(dir_ / "autoreply.txt"), defaultAutoReplies());
    EXPECT_EQ(defaultQuickReplies().size(), 4u);
    EXPECT_EQ(defaultAutoReplies().size(), 3u);
    EXPECT_FALSE(writeDefaultReplies(dir_ / "missing"));
}

TEST_F(RepliesTest, DamagedFileNeverCrashes) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>((i * 97 + 13) & 0xFF));
    writeFile(file(), junk);
    for (const std::string& entry : LoadReplies(file())) EXPECT_LE(entry.size(), 127u);
}

TEST(ShortenMenuText, LongEntriesShowTwentyBytesAndDots) {
    EXPECT_EQ(shortenMenuText(std::string(21, 'a')), std::string(20, 'a') + "...");
    EXPECT_EQ(shortenMenuText(std::string(20, 'a')), std::string(20, 'a'));
    EXPECT_EQ(shortenMenuText(""), "");
}

TEST(ShortenMenuText, CutKeepsDoubleByteCharactersWhole) {
    const std::string han = text::toGbk("汉");
    std::string ten;
    for (int i = 0; i < 10; ++i) ten += han;
    EXPECT_EQ(shortenMenuText(ten), ten);                                    // 20 bytes
    EXPECT_EQ(shortenMenuText(ten + "x"), ten + "...");                      // 21 bytes
    EXPECT_EQ(shortenMenuText("a" + ten), "a" + ten.substr(0, 18) + "...");  // 19 bytes shown
}

}  // namespace
}  // namespace zemra::store
