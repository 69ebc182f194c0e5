#include "client/store/view_settings.h"

#include <gtest/gtest.h>

#include "platform/testing/crash_child.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

class ViewSettingsTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

  protected:
    std::filesystem::path cfg() const { return dir_ / "message.cfg"; }

    static ViewSettings sample() {
        ViewSettings v;
        v.treeText = 0x00112233;
        v.treeBack = 0x00FFFFFF;
        v.listText = 0x01020304;
        v.listBack = 0x00C0C0C0;
        v.viewFace = text::toGbk("宋体");
        v.viewHeight = 180;
        v.viewColor = 0x000000FF;
        return v;
    }
};

TEST_F(ViewSettingsTest, FileHoldsTheRecordBytesAndNothingElse) {
    ASSERT_TRUE(SaveViewSettings(cfg(), sample()));
    const std::string expected(
        "\x33\x22\x11\x00"
        "\xFF\xFF\xFF\x00"
        "\x04\x03\x02\x01"
        "\xC0\xC0\xC0\x00"
        "\x05\x00"
        "\xCB\xCE\xCC\xE5\x00"  // 宋体 in GBK and its NUL
        "\xB4\x00\x00\x00"
        "\xFF\x00\x00\x00",
        31);
    EXPECT_EQ(readFile(cfg()), expected);
}

TEST_F(ViewSettingsTest, RoundTrips) {
    ASSERT_TRUE(SaveViewSettings(cfg(), sample()));
    ViewSettings read;
    ASSERT_TRUE(LoadViewSettings(cfg(), read));
    EXPECT_EQ(read, sample());
}

TEST_F(ViewSettingsTest, MissingFileLeavesTheViewsAlone) {
    ViewSettings v = sample();
    EXPECT_FALSE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v, sample());
    EXPECT_FALSE(LoadViewSettings(dir_, v));  // a folder is no settings file
    EXPECT_EQ(v, sample());
}

TEST_F(ViewSettingsTest, ShortFileGivesZeroAndEmptyForTheMissingFields) {
    writeFile(cfg(), std::string("\x01\x00\x00\x00\x02\x00", 6));
    ViewSettings v = sample();
    ASSERT_TRUE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v.treeText, 1u);
    EXPECT_EQ(v.treeBack, 0u);
    EXPECT_EQ(v.listText, 0u);
    EXPECT_EQ(v.listBack, 0u);
    EXPECT_EQ(v.viewFace, "");
    EXPECT_EQ(v.viewHeight, 0u);
    EXPECT_EQ(v.viewColor, 0u);

    writeFile(cfg(), "");
    ASSERT_TRUE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v, ViewSettings{});
}

TEST_F(ViewSettingsTest, FaceCutOffByTheEndOfTheFileReadsEmpty) {
    std::string bytes(16, '\0');
    bytes += std::string("\x05\x00\xCB\xCE", 4);
    writeFile(cfg(), bytes);
    ViewSettings v;
    ASSERT_TRUE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v.viewFace, "");
}

TEST_F(ViewSettingsTest, OnlyTheFirst4096BytesAreRead) {
    // A face whose text would end past byte 4096 is not there for the reader.
    std::string bytes(16, '\0');
    const uint16_t n = 4080;
    bytes.push_back(static_cast<char>(n & 0xFF));
    bytes.push_back(static_cast<char>(n >> 8));
    bytes += std::string(n - 1, 'f');
    bytes.push_back('\0');
    bytes += std::string(8, '\x07');
    ASSERT_GT(bytes.size(), 4096u);
    writeFile(cfg(), bytes);
    ViewSettings v;
    ASSERT_TRUE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v.viewFace, "");

    // The longest face that still fits is read whole.
    bytes.resize(16);
    const uint16_t fits = 4096 - 16 - 2;
    bytes.push_back(static_cast<char>(fits & 0xFF));
    bytes.push_back(static_cast<char>(fits >> 8));
    bytes += std::string(fits - 1, 'f');
    bytes.push_back('\0');
    bytes += "trailing bytes beyond the buffer";
    writeFile(cfg(), bytes);
    ASSERT_TRUE(LoadViewSettings(cfg(), v));
    EXPECT_EQ(v.viewFace, std::string(fits - 1, 'f'));
    EXPECT_EQ(v.viewHeight, 0u);
}

TEST_F(ViewSettingsTest, GarbageNeverCrashes) {
    for (int size = 0; size < 64; ++size) {
        std::string junk;
        for (int i = 0; i < size; ++i) junk.push_back(static_cast<char>((i * 151 + size) & 0xFF));
        writeFile(cfg(), junk);
        ViewSettings v;
        EXPECT_TRUE(LoadViewSettings(cfg(), v));
    }
}

TEST_F(ViewSettingsTest, ASaveInterruptedBeforeItsRenameKeepsTheOldSettings) {
    ASSERT_TRUE(SaveViewSettings(cfg(), sample()));
    const std::string before = readFile(cfg());
    ViewSettings changed = sample();
    changed.viewFace = "Arial";
    changed.viewHeight = 240;
    ASSERT_EQ(zemra::testing::crashBeforeRename([&] { SaveViewSettings(cfg(), changed); }),
              zemra::testing::kCrashedExitCode);
    EXPECT_EQ(readFile(cfg()), before);
    ViewSettings loaded;
    ASSERT_TRUE(LoadViewSettings(cfg(), loaded));
    EXPECT_EQ(loaded, sample());
}

TEST_F(ViewSettingsTest, UnwritablePathWritesNothing) {
    EXPECT_FALSE(SaveViewSettings(dir_ / "missing" / "message.cfg", sample()));
}

}  // namespace
}  // namespace zemra::store
