#include "client/ui/picture_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace zemra::client::ui {
namespace {

constexpr uint32_t kI420 = makeFourCc('I', '4', '2', '0');
constexpr uint32_t kIyuv = makeFourCc('I', 'Y', 'U', 'V');
constexpr uint32_t kYuy2 = makeFourCc('Y', 'U', 'Y', '2');
constexpr int kMaxSide = 4096;

uint8_t clamp(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

QRgb fromYuv(int y, int u, int v) {
    const int c = y - 16;
    const int d = u - 128;
    const int e = v - 128;
    return qRgb(clamp((298 * c + 409 * e + 128) >> 8),
                clamp((298 * c - 100 * d - 208 * e + 128) >> 8),
                clamp((298 * c + 516 * d + 128) >> 8));
}

bool evenSize(int w, int h) {
    return w % 2 == 0 && h % 2 == 0;
}

}  // namespace

std::size_t pictureBytes(const BitmapInfoHeader& h) {
    const int w = h.width;
    const int rows = std::abs(h.height);
    if (w <= 0 || rows == 0 || w > kMaxSide || rows > kMaxSide) return 0;
    if (h.compression == 0 && (h.bitCount == 24 || h.bitCount == 32)) return h.imageBytes();
    if ((h.compression == kI420 || h.compression == kIyuv) && evenSize(w, rows)) {
        return static_cast<std::size_t>(w) * rows * 3 / 2;
    }
    if (h.compression == kYuy2 && w % 2 == 0) return static_cast<std::size_t>(w) * rows * 2;
    return 0;
}

std::optional<QImage> imageFromPicture(const BitmapInfoHeader& h, const void* bits) {
    if (!bits || pictureBytes(h) == 0) return std::nullopt;
    const auto* in = static_cast<const uint8_t*>(bits);
    const int w = h.width;
    const int rows = std::abs(h.height);
    QImage image(w, rows, QImage::Format_RGB32);
    if (h.compression == 0) {
        const bool bottomUp = h.height > 0;
        const int bytesPerPixel = h.bitCount / 8;
        for (int y = 0; y < rows; ++y) {
            const uint8_t* row =
                in + static_cast<std::size_t>(bottomUp ? rows - 1 - y : y) * h.rowStride();
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = row + x * bytesPerPixel;
                out[x] = qRgb(p[2], p[1], p[0]);
            }
        }
        return image;
    }
    if (h.compression == kYuy2) {
        for (int y = 0; y < rows; ++y) {
            const uint8_t* row = in + static_cast<std::size_t>(y) * w * 2;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; x += 2) {
                const uint8_t* p = row + x * 2;
                out[x] = fromYuv(p[0], p[1], p[3]);
                out[x + 1] = fromYuv(p[2], p[1], p[3]);
            }
        }
        return image;
    }
    const uint8_t* yPlane = in;
    const uint8_t* uPlane = in + static_cast<std::size_t>(w) * rows;
    const uint8_t* vPlane = uPlane + static_cast<std::size_t>(w / 2) * (rows / 2);
    for (int y = 0; y < rows; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const std::size_t chroma = static_cast<std::size_t>(y / 2) * (w / 2) + x / 2;
            out[x] = fromYuv(yPlane[static_cast<std::size_t>(y) * w + x], uPlane[chroma],
                             vPlane[chroma]);
        }
    }
    return image;
}

}  // namespace zemra::client::ui
