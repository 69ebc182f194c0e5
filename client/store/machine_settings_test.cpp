#include "client/store/machine_settings.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

class MachineSettingsTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();
};

TEST_F(MachineSettingsTest, ServerAddressDefaultsToTheBuiltInOne) {
    EXPECT_EQ(readServerIp(dir_), "127.0.0.1");
    EXPECT_EQ(readServerIp(dir_, "192.168.0.9"), "192.168.0.9");
}

TEST_F(MachineSettingsTest, ServerAddressIsFoundWhateverTheCaseOfFileSectionAndKey) {
    writeFile(dir_ / "ZEMRA.INI", "[ZEMRA]\r\nSERVERIP = 10.1.2.3 \r\n");
    EXPECT_EQ(readServerIp(dir_), "10.1.2.3");
}

TEST_F(MachineSettingsTest, VersionGoesIntoTheExistingFileAndSection) {
    writeFile(dir_ / "zemra.ini", "[zemra]\r\nserverip=10.0.0.1\r\n");
    ASSERT_TRUE(writeVersionId(dir_));
    EXPECT_EQ(readFile(dir_ / "zemra.ini"), "[zemra]\r\nserverip=10.0.0.1\r\nVERSIONID=10009\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "ZEMRA.ini"));
    EXPECT_EQ(readServerIp(dir_), "10.0.0.1");
}

TEST_F(MachineSettingsTest, VersionIsWrittenIntoAFolderThatDidNotExist) {
    const auto windows = dir_ / "config" / "zemra";
    ASSERT_TRUE(writeVersionId(windows));
    EXPECT_EQ(profile::getString(windows / "zemra.ini", "zemra", "versionid", ""), "10009");
    // Written again at every start: still one key.
    ASSERT_TRUE(writeVersionId(windows));
    EXPECT_EQ(readFile(windows / "ZEMRA.ini"), "[ZEMRA]\r\nVERSIONID=10009\r\n");
}

}  // namespace
}  // namespace zemra::store
