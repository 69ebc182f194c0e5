#include "platform/file_replacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/testing/crash_child.h"
#include "platform/testing/temp_dir.h"

namespace zemra {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

size_t entriesIn(const fs::path& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
    return n;
}

TEST(FileReplacementTest, ReplacesTheContentKeepingThePermissionsAndNothingBeside) {
    TempDir dir;
    const auto file = dir / "settings.ini";
    writeFile(file, "old and longer than the new content");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(replaceFile(file, std::string_view("new")));
    EXPECT_EQ(readFile(file), "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    ASSERT_TRUE(replaceFile(dir / "fresh.cfg", std::string_view("")));
    EXPECT_EQ(readFile(dir / "fresh.cfg"), "");
}

TEST(FileReplacementTest, AReplacementThatFailsLeavesTheFolderAsItWas) {
    TempDir dir;
    // A folder where the file should be: the rename cannot replace it.
    fs::create_directory(dir / "taken");
    writeFile(dir / "taken" / "inside", "kept");
    EXPECT_FALSE(replaceFile(dir / "taken", std::string_view("new")));
    EXPECT_EQ(readFile(dir / "taken" / "inside"), "kept");
    EXPECT_FALSE(replaceFile(dir / "missing" / "a.ini", std::string_view("new")));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(FileReplacementTest, ACrashBeforeTheRenameLeavesTheOldContentUnderTheName) {
    TempDir dir;
    const auto file = dir / "zemra.cfg";
    writeFile(file, "1001\n1002\n");
    ASSERT_EQ(testing::crashBeforeRename([&] { replaceFile(file, std::string_view("1003\n")); }),
              testing::kCrashedExitCode);
    EXPECT_EQ(readFile(file), "1001\n1002\n");
    // The new content was complete before it was to take the name.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path() != file) {
            EXPECT_EQ(readFile(entry.path()), "1003\n");
        }
    }
    EXPECT_EQ(entriesIn(dir.path()), 2u);
    // What the crash left beside it does not stand in the way of the next write.
    ASSERT_TRUE(replaceFile(file, std::string_view("1003\n")));
    EXPECT_EQ(readFile(file), "1003\n");
}

}  // namespace
}  // namespace zemra
