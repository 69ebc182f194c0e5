#include "client/ui/snapshot_image.h"

#include <gtest/gtest.h>

#include <random>

namespace zemra::client::ui {
namespace {

// A picture of random colours, so a swapped channel or row shows.
QImage noise(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xff000000u | (random() & 0xffffff));
    }
    return image;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff)) return false;
        }
    }
    return true;
}

TEST(SnapshotImageTest, PicturesOfAnyWidthSurviveTheRoundTrip) {
    for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(5, 7), QSize(7, 3), QSize(176, 144)}) {
        SCOPED_TRACE(size.width());
        const QImage source = noise(size.width(), size.height(), size.width());
        const store::SnapshotPicture picture = snapshotFromImage(source);
        EXPECT_EQ(picture.header.width, size.width());
        EXPECT_EQ(picture.header.height, size.height()) << "bottom-up rows";
        EXPECT_EQ(picture.header.bitCount, 24);
        EXPECT_EQ(picture.header.compression, 0u);
        EXPECT_EQ(picture.header.planes, 1);
        EXPECT_EQ(picture.header.size, BitmapInfoHeader::kSize);
        EXPECT_EQ(picture.header.sizeImage, picture.pixels.size());
        EXPECT_TRUE(samePixels(imageFromSnapshot(picture), source));
    }
}

TEST(SnapshotImageTest, RowsAreStoredBottomUpInBlueGreenRedAndPaddedWithZeros) {
    const QImage source = noise(5, 3, 42);
    const store::SnapshotPicture picture = snapshotFromImage(source);
    const std::size_t stride = 16;  // 5 pixels of 3 bytes, padded to 4
    ASSERT_EQ(picture.pixels.size(), stride * 3);
    for (int y = 0; y < 3; ++y) {
        const uint8_t* row = picture.pixels.data() + (2 - y) * stride;
        for (int x = 0; x < 5; ++x) {
            const QRgb rgb = source.pixel(x, y);
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(row[3 * x], qBlue(rgb));
            EXPECT_EQ(row[3 * x + 1], qGreen(rgb));
            EXPECT_EQ(row[3 * x + 2], qRed(rgb));
        }
        EXPECT_EQ(row[15], 0);
    }
}

TEST(SnapshotImageTest, OtherStoredLayoutsShowOrAreRefused) {
    const QImage source = noise(3, 2, 7);
    store::SnapshotPicture picture = snapshotFromImage(source);

    // The same rows top-down, as a negative height says.
    store::SnapshotPicture topDown = picture;
    topDown.header.height = -2;
    std::copy(picture.pixels.begin(), picture.pixels.begin() + 12, topDown.pixels.begin() + 12);
    std::copy(picture.pixels.begin() + 12, picture.pixels.end(), topDown.pixels.begin());
    EXPECT_TRUE(samePixels(imageFromSnapshot(topDown), source));

    // 32 bits: a fourth byte per pixel.
    store::SnapshotPicture wide = picture;
    wide.header.bitCount = 32;
    wide.pixels.assign(24, 0);
    for (int i = 0; i < 6; ++i)
        std::copy_n(&picture.pixels[(i / 3) * 12 + (i % 3) * 3], 3, &wide.pixels[4 * i]);
    EXPECT_TRUE(samePixels(imageFromSnapshot(wide), source));

    store::SnapshotPicture shortPixels = picture;
    shortPixels.pixels.pop_back();
    EXPECT_TRUE(imageFromSnapshot(shortPixels).isNull());
    store::SnapshotPicture compressed = picture;
    compressed.header.compression = makeFourCc('V', 'P', '8', '0');
    EXPECT_TRUE(imageFromSnapshot(compressed).isNull());
    store::SnapshotPicture palette = picture;
    palette.header.bitCount = 8;
    EXPECT_TRUE(imageFromSnapshot(palette).isNull());
    store::SnapshotPicture huge = picture;
    huge.header.width = 0x7fffffff;
    EXPECT_TRUE(imageFromSnapshot(huge).isNull());
    store::SnapshotPicture noRows = picture;
    noRows.header.height = 0;
    EXPECT_TRUE(imageFromSnapshot(noRows).isNull());
    EXPECT_TRUE(snapshotFromImage(QImage()).pixels.empty());
}

}  // namespace
}  // namespace zemra::client::ui
