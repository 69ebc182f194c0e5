#include "client/store/snapshot_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

BitmapInfoHeader qcif24() {
    BitmapInfoHeader h;
    h.width = 176;
    h.height = 144;
    h.bitCount = 24;
    h.sizeImage = h.imageBytes();
    return h;
}

std::vector<uint8_t> pattern(std::size_t size, uint8_t seed) {
    std::vector<uint8_t> pixels(size);
    for (std::size_t i = 0; i < size; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + seed);
    return pixels;
}

class SnapshotFileTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();
};

TEST(SnapshotNames, StampAndPaths) {
    std::tm t{};
    t.tm_year = 103;
    t.tm_mon = 9;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 4;
    t.tm_sec = 3;
    const std::string stamp = snapshotStamp(t);
    EXPECT_EQ(stamp, "2003_10_05_09_04_03");
    EXPECT_EQ(ownSnapshotPath("/p", 12345, stamp), "/p/12345/mine/2003_10_05_09_04_03_12345.bmp");
    EXPECT_EQ(peerSnapshotPath("/p", 12345, 678, stamp),
              "/p/12345/his/2003_10_05_09_04_03_678.bmp");
}

TEST(SnapshotHeader, LayoutOfTheFirst54Bytes) {
    const auto head = snapshotFileHeader(qcif24(), 76032);
    ASSERT_EQ(head.size(), 54u);
    const std::string expected(
        "BM"
        "\x36\x29\x01\x00"  // 76032 + 54
        "\x00\x00\x00\x00"
        "\x36\x00\x00\x00"
        "\x28\x00\x00\x00"  // information header: its size
        "\xB0\x00\x00\x00"  // 176
        "\x90\x00\x00\x00"  // 144
        "\x01\x00\x18\x00"  // planes 1, 24 bits
        "\x00\x00\x00\x00"
        "\x00\x29\x01\x00"  // 76032
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00",
        54);
    EXPECT_EQ(std::string(head.begin(), head.end()), expected);
}

TEST_F(SnapshotFileTest, WrittenFileReadsBack) {
    const auto pixels = pattern(qcif24().imageBytes(), 1);
    const auto path = dir_ / "a.bmp";
    ASSERT_TRUE(writeSnapshotFile(path, qcif24(), pixels));
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 76032u);
    const auto picture = readSnapshotFile(path);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->header, qcif24());
    EXPECT_EQ(picture->pixels, pixels);
}

TEST_F(SnapshotFileTest, PixelBytesAreStoredAsGivenWhateverTheHeaderSays) {
    BitmapInfoHeader h = qcif24();
    h.bitCount = 32;
    h.compression = makeFourCc('Y', 'U', 'Y', '2');
    const auto pixels = pattern(10, 9);
    ASSERT_TRUE(writeSnapshotFile(dir_ / "odd.bmp", h, pixels));
    const auto picture = readSnapshotFile(dir_ / "odd.bmp");
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->header, h);
    EXPECT_EQ(picture->pixels, pixels);
}

// Saves the own picture the way a snapshot is taken at `when`: the name
// stamped from the local time, the file written over whatever had that name.
std::filesystem::path saveOwnAt(const std::filesystem::path& root,
                                std::chrono::system_clock::time_point when,
                                std::span<const uint8_t> pixels) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto path = ownSnapshotPath(root, 12345, snapshotStamp(local));
    return writeSnapshotFile(path, qcif24(), pixels) ? path : std::filesystem::path();
}

std::vector<std::string> fileNamesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SnapshotFileTest, TwoSavesInOneSecondLeaveTheSecond) {
    using namespace std::chrono_literals;
    std::filesystem::create_directories(dir_ / "12345" / "mine");
    const auto second = std::chrono::system_clock::from_time_t(1065337443);  // whole second
    const auto first = pattern(qcif24().imageBytes(), 1);
    const auto shorter = pattern(1000, 3);

    const auto early = saveOwnAt(dir_, second + 100ms, first);
    ASSERT_FALSE(early.empty());
    const auto late = saveOwnAt(dir_, second + 400ms, shorter);
    ASSERT_FALSE(late.empty());

    // One name for the second, holding only the later picture: no byte of
    // the longer first one is left behind.
    EXPECT_EQ(late, early);
    EXPECT_EQ(fileNamesIn(dir_ / "12345" / "mine"),
              std::vector<std::string>{late.filename().string()});
    EXPECT_EQ(std::filesystem::file_size(late), kSnapshotPixelOffset + shorter.size());
    const auto kept = readSnapshotFile(late);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->pixels, shorter);

    // The next second is a picture of its own; the earlier one stays.
    const auto next = saveOwnAt(dir_, second + 1s, first);
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(fileNamesIn(dir_ / "12345" / "mine"),
              (std::vector<std::string>{late.filename().string(), next.filename().string()}));
    EXPECT_EQ(readSnapshotFile(late)->pixels, shorter);
    EXPECT_EQ(readSnapshotFile(next)->pixels, first);
}

TEST_F(SnapshotFileTest, FileThatCannotBeCreatedIsSkipped) {
    EXPECT_FALSE(writeSnapshotFile(dir_ / "missing" / "a.bmp", qcif24(), pattern(10, 0)));
}

TEST_F(SnapshotFileTest, DamagedFilesAreRefused) {
    const auto path = dir_ / "a.bmp";
    ASSERT_TRUE(writeSnapshotFile(path, qcif24(), pattern(300, 4)));
    const std::string good = readFile(path);

    EXPECT_FALSE(readSnapshotFile(dir_ / "none.bmp").has_value());
    EXPECT_FALSE(readSnapshotFile(dir_).has_value());
    for (std::size_t cut : {0u, 1u, 2u, 14u, 53u, 54u, 353u}) {
        writeFile(path, good.substr(0, cut));
        EXPECT_FALSE(readSnapshotFile(path).has_value()) << cut;
    }
    std::string bad = good;
    bad[0] = 'X';
    writeFile(path, bad);
    EXPECT_FALSE(readSnapshotFile(path).has_value());
    bad = good;
    bad[10] = 0x40;  // pixels said to start elsewhere
    writeFile(path, bad);
    EXPECT_FALSE(readSnapshotFile(path).has_value());
    bad = good;
    bad[14] = 12;  // an older, shorter information header
    writeFile(path, bad);
    EXPECT_FALSE(readSnapshotFile(path).has_value());
    writeFile(path, good + "x");
    EXPECT_FALSE(readSnapshotFile(path).has_value());

    writeFile(path, good);
    EXPECT_TRUE(readSnapshotFile(path).has_value());
}

TEST_F(SnapshotFileTest, PictureWithoutPixelsIsStillAFile) {
    ASSERT_TRUE(writeSnapshotFile(dir_ / "empty.bmp", BitmapInfoHeader{}, {}));
    const auto picture = readSnapshotFile(dir_ / "empty.bmp");
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(picture->pixels.empty());
}

}  // namespace
}  // namespace zemra::store
