#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/testing/crash_child.h"
#include "platform/testing/temp_dir.h"

namespace zemra::profile {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(ProfileTest, ReadsWithoutRegardToCaseAndTrimsValues) {
    TempDir dir;
    writeFile(dir / "zemra.ini",
              "; comment\r\n[ZEMRA]\r\nServerIP =  10.1.2.3 \r\nquoted=\"two words\"\r\n"
              "[other]\r\nserverip=wrong\r\n");
    EXPECT_EQ(getString(dir / "ZEMRA.INI", "zemra", "serverip", "x"), "10.1.2.3");
    EXPECT_EQ(getString(dir / "zemra.ini", "Zemra", "QUOTED", "x"), "two words");
    EXPECT_EQ(getString(dir / "zemra.ini", "zemra", "missing", "fallback"), "fallback");
    EXPECT_EQ(getString(dir / "absent.ini", "zemra", "serverip", "fallback"), "fallback");
    EXPECT_FALSE(findString(dir / "zemra.ini", "nosection", "serverip").has_value());
}

TEST(ProfileTest, IntegersStopAtTheFirstNonDigit) {
    TempDir dir;
    writeFile(dir / "a.ini",
              "[s]\nplain=42\nsuffix=12ab\nletters=ab\nnegative=-7\nempty=\nspaced= +5\n");
    const auto file = dir / "a.ini";
    EXPECT_EQ(getInt(file, "s", "plain", 1), 42);
    EXPECT_EQ(getInt(file, "s", "suffix", 1), 12);
    EXPECT_EQ(getInt(file, "s", "letters", 1), 0);
    EXPECT_EQ(getInt(file, "s", "negative", 1), -7);
    EXPECT_EQ(getInt(file, "s", "empty", 9), 9);
    EXPECT_EQ(getInt(file, "s", "spaced", 1), 5);
    EXPECT_EQ(getInt(file, "s", "missing", 77), 77);
    EXPECT_EQ(parseLeadingInt("99999999999"), 2147483647);
}

TEST(ProfileTest, ValuesAreCutToTheCallersBuffer) {
    TempDir dir;
    writeFile(dir / "a.ini", "[s]\nk=abcdef\nzh=a\xD6\xD0\xCE\xC4\n");
    EXPECT_EQ(getString(dir / "a.ini", "s", "k", "", 4), "abc");
    // Cut on a character boundary: "a中" is 3 bytes, the next character does not fit in 4.
    EXPECT_EQ(getString(dir / "a.ini", "s", "zh", "", 5), "a\xD6\xD0");
}

TEST(ProfileTest, WritingKeepsCommentsOrderAndOtherSections) {
    TempDir dir;
    const auto file = dir / "zemra.ini";
    writeFile(file, "; keep me\r\n[zemra]\r\nfirst=1\r\nsecond=2\r\n\r\n[other]\r\nx=y\r\n");

    ASSERT_TRUE(writeInt(dir / "ZEMRA.ini", "ZEMRA", "SECOND", 20));
    ASSERT_TRUE(writeString(file, "zemra", "third", "3"));
    ASSERT_TRUE(writeString(file, "new", "k", "v"));
    EXPECT_EQ(readFile(file),
              "; keep me\r\n[zemra]\r\nfirst=1\r\nsecond=20\r\nthird=3\r\n\r\n[other]\r\nx=y\r\n"
              "\r\n[new]\r\nk=v\r\n");
    // The existing file was updated, not a second one made beside it.
    EXPECT_FALSE(std::filesystem::exists(dir / "ZEMRA.ini"));

    ASSERT_TRUE(deleteKey(file, "zemra", "first"));
    ASSERT_TRUE(deleteSection(file, "other"));
    EXPECT_EQ(readFile(file),
              "; keep me\r\n[zemra]\r\nsecond=20\r\nthird=3\r\n\r\n[new]\r\nk=v\r\n");
}

TEST(ProfileTest, WritingCreatesTheFileAndRejectsLineBreaksInValues) {
    TempDir dir;
    const auto file = dir / "fresh.ini";
    ASSERT_TRUE(writeString(file, "s", "k", "line1\r\n[evil]\r\nk=x"));
    EXPECT_EQ(readFile(file), "[s]\r\nk=line1\r\n");
    EXPECT_FALSE(writeString(dir / "no" / "such" / "dir.ini", "s", "k", "v"));
}

TEST(ProfileTest, AWriteInterruptedBeforeItsRenameLeavesTheOldFile) {
    TempDir dir;
    const auto file = dir / "zemra.ini";
    const std::string before = "[zemra]\r\nserverip=10.1.2.3\r\n";
    writeFile(file, before);
    ASSERT_EQ(
        testing::crashBeforeRename([&] { writeString(file, "zemra", "serverip", "10.9.9.9"); }),
        testing::kCrashedExitCode);
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(testing::crashBeforeRename([&] { deleteSection(file, "zemra"); }),
              testing::kCrashedExitCode);
    EXPECT_EQ(readFile(file), before);
}

}  // namespace
}  // namespace zemra::profile
