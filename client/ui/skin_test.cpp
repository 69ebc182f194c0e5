#include "client/ui/skin.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/temp_dir.h"

namespace zemra::client::ui {
namespace {

namespace fs = std::filesystem;

const fs::path kSkins = fs::path(ZEMRA_TEST_DATA_DIR) / "skins";

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

TEST(Skin, LoadsAllSevenPicturesOfAFolder) {
    const auto skin = Skin::load(q(kSkins / "Ocean"));
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->name(), "Ocean");
    for (int part = 0; part < Skin::kPartCount; ++part) {
        EXPECT_FALSE(skin->image(static_cast<Skin::Part>(part)).isNull()) << part;
    }
}

TEST(Skin, AFolderMissingOnePictureIsNotASkin) {
    testing::TempDir dir;
    fs::copy(kSkins / "Ocean", dir / "Broken");
    ASSERT_TRUE(Skin::load(q(dir / "Broken")));
    fs::remove(dir / "Broken" / "folder_light.bmp");
    EXPECT_FALSE(Skin::load(q(dir / "Broken")));
    // A file that is there but is no picture counts as missing too.
    testing::writeFile(dir / "Broken" / "folder_light.bmp", "not a bitmap");
    EXPECT_FALSE(Skin::load(q(dir / "Broken")));
}

TEST(Skin, MenuWithoutSkinsHoldsOnlyTheBuiltInLookChecked) {
    testing::TempDir dir;
    fs::create_directories(dir / "skins");
    testing::writeFile(dir / "skins" / "readme.txt", "files are not skins");
    const auto entries = skinMenuEntries(q(dir / "skins"), "");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, 1000);
    EXPECT_EQ(entries[0].text, QString::fromUtf8("恢复原貌"));
    EXPECT_TRUE(entries[0].checked);
}

TEST(Skin, MenuNumbersTheFoldersAndChecksTheOneInUse) {
    const auto entries = skinMenuEntries(q(kSkins), "Ocean");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].checked);
    EXPECT_EQ(entries[1].id, 1001);
    EXPECT_EQ(entries[1].text, "Meadow");
    EXPECT_FALSE(entries[1].checked);
    EXPECT_EQ(entries[2].id, 1002);
    EXPECT_EQ(entries[2].text, "Ocean");
    EXPECT_TRUE(entries[2].checked);
    EXPECT_TRUE(Skin::load(entries[2].folder));
}

}  // namespace
}  // namespace zemra::client::ui
