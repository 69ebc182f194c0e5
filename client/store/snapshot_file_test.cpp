#include "client/store/snapshot_file.h"

#include <gtest/gtest.h>

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

TEST_F(SnapshotFileTest, TwoSavesInOneSecondLeaveTheSecond) {
    std::filesystem::create_directories(dir_ / "12345" / "mine");
    std::filesystem::create_directories(dir_ / "12345" / "his");
    const std::string stamp = "2003_10_05_09_04_03";
    const auto own = ownSnapshotPath(dir_, 12345, stamp);
    const auto peer = peerSnapshotPath(dir_, 12345, 678, stamp);
    ASSERT_TRUE(writeSnapshotFile(own, qcif24(), pattern(qcif24().imageBytes(), 1)));
    ASSERT_TRUE(writeSnapshotFile(peer, qcif24(), pattern(qcif24().imageBytes(), 2)));
    const auto second = pattern(1000, 3);
    ASSERT_TRUE(writeSnapshotFile(own, qcif24(), second));

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "12345" / "mine")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(std::filesystem::file_size(own), 1054u);
    EXPECT_EQ(readSnapshotFile(own)->pixels, second);
    EXPECT_EQ(readSnapshotFile(peer)->pixels, pattern(qcif24().imageBytes(), 2));
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
