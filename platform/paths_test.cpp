#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/testing/temp_dir.h"

namespace zemra::paths {
namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
  public:
    void set(const char* name, const std::string& value) {
        const char* old = getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first, it->second->c_str(), 1);
            } else {
                unsetenv(it->first);
            }
        }
    }

  private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(PathsTest, EnvironmentOverridesComeFirst) {
    testing::TempDir dir;
    ScopedEnv env;
    env.set("ZEMRA_HOME", (dir / "home").string());
    env.set("ZEMRA_WINDIR", (dir / "win").string());
    env.set("ZEMRA_PHOTO_DIR", (dir / "photo").string());
    env.set("ZEMRA_DATA_DIR", (dir / "data").string());

    EXPECT_EQ(baseDir(), dir / "home");
    EXPECT_EQ(windowsDir(), dir / "win");
    EXPECT_EQ(dataDir(), dir / "data");
    EXPECT_EQ(userDir(12345), dir / "home" / "12345");
    EXPECT_EQ(callListDir(12345), dir / "home" / "12345" / "calllist");
    EXPECT_EQ(ownPhotoDir(7), dir / "photo" / "7" / "mine");
    EXPECT_EQ(peerPhotoDir(7), dir / "photo" / "7" / "his");

    createStartupDirs();
    createUserDirs(12345);
    createPhotoDirs(7);
    createUserDirs(12345);  // again: the folders exist, nothing fails
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home" / "config"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home" / "12345" / "calllist"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "photo" / "7" / "his"));
}

TEST(PathsTest, EmptyOverridesFallBackToTheDesktopFolders) {
    ScopedEnv env;
    env.set("ZEMRA_HOME", "");
    env.set("XDG_DATA_HOME", "/xdg/data");
    env.set("ZEMRA_WINDIR", "");
    env.set("XDG_CONFIG_HOME", "/xdg/config");
    env.set("ZEMRA_PHOTO_DIR", "");
    env.set("HOME", "/home/someone");
    EXPECT_EQ(baseDir(), "/xdg/data/zemra");
    EXPECT_EQ(windowsDir(), "/xdg/config/zemra");
    EXPECT_EQ(photoRoot(), "/home/someone/Pictures/zemra_photo");
}

}  // namespace
}  // namespace zemra::paths
