#include "platform/library.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zemra {
namespace {

TEST(LibraryTest, MapsWindowsNamesToSharedObjects) {
    EXPECT_EQ(Library::platformFileName("xms.dll"), "xms.so");
    EXPECT_EQ(Library::platformFileName("XMS.DLL"), "XMS.so");
    EXPECT_EQ(Library::platformFileName("picodec.so"), "picodec.so");
    EXPECT_EQ(Library::platformFileName(".dll"), ".dll");
}

TEST(LibraryTest, LoadsASystemLibraryAndFindsItsSymbols) {
    std::string error;
    auto library = Library::open("libm.so.6", &error);
    ASSERT_NE(library, nullptr) << error;
    auto cosine = library->function<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(library->symbol("no_such_symbol_here"), nullptr);
}

TEST(LibraryTest, AMissingLibraryFailsWithAReason) {
    std::string error;
    EXPECT_EQ(Library::open("zemra-no-such-library.dll", &error), nullptr);
    EXPECT_NE(error.find("zemra-no-such-library.so"), std::string::npos);
}

TEST(LibraryTest, FindsTheFolderOfTheFileHoldingAnAddress) {
    // A function of the platform library: its folder is where that library lies.
    const auto platformDir =
        Library::directoryOf(reinterpret_cast<const void*>(&Library::platformFileName));
    EXPECT_TRUE(std::filesystem::exists(platformDir / "libzemra_platform.so")) << platformDir;
    EXPECT_TRUE(Library::directoryOf(nullptr).empty());
}

}  // namespace
}  // namespace zemra
