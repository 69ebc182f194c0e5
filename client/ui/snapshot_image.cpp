#include "client/ui/snapshot_image.h"

#include <cstdlib>

namespace zemra::client::ui {
namespace {

// Larger pictures than a screen's worth are no snapshot of ours.
constexpr int64_t kMaxSide = 16384;

}  // namespace

store::SnapshotPicture snapshotFromImage(const QImage& image) {
    store::SnapshotPicture picture;
    if (image.isNull()) return picture;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    BitmapInfoHeader& header = picture.header;
    header.width = rgb.width();
    header.height = rgb.height();
    header.planes = 1;
    header.bitCount = 24;
    header.compression = 0;
    header.sizeImage = header.imageBytes();
    picture.pixels.assign(header.sizeImage, 0);
    const uint32_t stride = header.rowStride();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        uint8_t* out = picture.pixels.data() + std::size_t(rgb.height() - 1 - y) * stride;
        for (int x = 0; x < rgb.width(); ++x) {
            out[3 * x + 0] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x + 0];
        }
    }
    return picture;
}

QImage imageFromSnapshot(const store::SnapshotPicture& picture) {
    const BitmapInfoHeader& header = picture.header;
    if (header.compression != 0 || (header.bitCount != 24 && header.bitCount != 32)) return {};
    const int64_t width = header.width;
    const int64_t height = std::llabs(static_cast<long long>(header.height));
    if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide) return {};
    const std::size_t stride = header.rowStride();
    if (picture.pixels.size() < stride * static_cast<std::size_t>(height)) return {};
    const int bytesPerPixel = header.bitCount / 8;
    const bool bottomUp = header.height > 0;
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        const std::size_t row = bottomUp ? std::size_t(image.height() - 1 - y) : std::size_t(y);
        const uint8_t* in = picture.pixels.data() + row * stride;
        uchar* out = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* pixel = in + std::size_t(x) * bytesPerPixel;
            out[3 * x + 0] = pixel[2];
            out[3 * x + 1] = pixel[1];
            out[3 * x + 2] = pixel[0];
        }
    }
    return image;
}

}  // namespace zemra::client::ui
