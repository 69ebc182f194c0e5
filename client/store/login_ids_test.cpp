#include "client/store/login_ids.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/testing/crash_child.h"
#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

using ::testing::ElementsAre;
using testing::readFile;
using testing::writeFile;

class LoginIdsTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

    std::filesystem::path cfg() const { return dir_ / "zemra.cfg"; }
};

TEST_F(LoginIdsTest, MissingFileGivesNoIds) {
    EXPECT_TRUE(LoadLoginIds(dir_).empty());
}

TEST_F(LoginIdsTest, MostRecentLoginComesFirstWithoutRepeats) {
    ASSERT_TRUE(RememberLoginId(dir_, 5));
    ASSERT_TRUE(RememberLoginId(dir_, 7));
    ASSERT_TRUE(RememberLoginId(dir_, 5));
    EXPECT_EQ(readFile(cfg()), "5\n7\n");
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(5u, 7u));
}

TEST_F(LoginIdsTest, DuplicateLinesAreKeptAndAllMoveToTheFront) {
    writeFile(cfg(), "7\n5\n7\n9\n");
    ASSERT_TRUE(RememberLoginId(dir_, 7));
    EXPECT_EQ(readFile(cfg()), "7\n7\n5\n9\n");
    ASSERT_TRUE(RememberLoginId(dir_, 9));
    EXPECT_EQ(readFile(cfg()), "9\n7\n7\n5\n");
}

TEST_F(LoginIdsTest, TenDigitIdReadsAsOneEntry) {
    ASSERT_TRUE(RememberLoginId(dir_, 1234567890));
    ASSERT_TRUE(RememberLoginId(dir_, 4294967295u));
    EXPECT_EQ(readFile(cfg()), "4294967295\n1234567890\n");
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(4294967295u, 1234567890u));
}

TEST_F(LoginIdsTest, FileLeftByTheTenCharacterReaderStaysReadable) {
    // That reader turned the line break after a 10-digit ID into an entry 0,
    // and the next rewrite stored it.
    writeFile(cfg(), "1234567890\n0\n42\n");
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(1234567890u, 0u, 42u));
}

TEST_F(LoginIdsTest, LinesThatAreNotNumbersReadAsZero) {
    writeFile(cfg(), "abc\n\n12x\n  33\n");
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(0u, 0u, 12u, 33u));
}

TEST_F(LoginIdsTest, WindowsLineEndsAndMissingFinalBreak) {
    writeFile(cfg(), "5\r\n7\r\n8");
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(5u, 7u, 8u));
}

TEST_F(LoginIdsTest, LineParsingFollowsStrtoulOnThirtyTwoBits) {
    EXPECT_EQ(parseLoginIdLine("99999999999999999999"), 4294967295u);
    EXPECT_EQ(parseLoginIdLine("4294967296"), 4294967295u);
    EXPECT_EQ(parseLoginIdLine("-1"), 4294967295u);
    EXPECT_EQ(parseLoginIdLine("+17"), 17u);
    EXPECT_EQ(parseLoginIdLine(""), 0u);
    EXPECT_EQ(parseLoginIdLine("-"), 0u);
}

TEST_F(LoginIdsTest, BinaryGarbageDoesNotCrash) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 37) & 0xFF));
    writeFile(cfg(), junk);
    const auto ids = LoadLoginIds(dir_);
    EXPECT_FALSE(ids.empty());
    EXPECT_TRUE(RememberLoginId(dir_, 3));
    EXPECT_EQ(LoadLoginIds(dir_).front(), 3u);
}

TEST_F(LoginIdsTest, ALoginInterruptedBeforeItsRenameKeepsTheOldList) {
    writeFile(cfg(), "7\n5\n");
    ASSERT_EQ(zemra::testing::crashBeforeRename([&] { RememberLoginId(dir_, 9); }),
              zemra::testing::kCrashedExitCode);
    EXPECT_EQ(readFile(cfg()), "7\n5\n");
    ASSERT_TRUE(RememberLoginId(dir_, 9));
    EXPECT_THAT(LoadLoginIds(dir_), ElementsAre(9u, 7u, 5u));
}

TEST_F(LoginIdsTest, UnwritableFolderRemembersNothing) {
    EXPECT_FALSE(RememberLoginId(dir_ / "missing", 5));
    EXPECT_TRUE(LoadLoginIds(dir_ / "missing").empty());
}

}  // namespace
}  // namespace zemra::store
