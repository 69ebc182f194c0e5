#include "codecs/picodec/yuv_convert.h"

#include <algorithm>

namespace picodec {
namespace {

inline uint8_t lumaOf(int b, int g, int r) {
    return static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

inline uint8_t clamp255(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

const uint8_t* rowOf(const uint8_t* base, size_t stride, bool bottomUp, int height, int row) {
    return base + stride * static_cast<size_t>(bottomUp ? height - 1 - row : row);
}

}  // namespace

void bgrToI420(const uint8_t* bgr, size_t stride, bool bottomUp, int width, int height,
               const PlanarImage& out) {
    for (int row = 0; row < height; row += 2) {
        const uint8_t* top = rowOf(bgr, stride, bottomUp, height, row);
        const uint8_t* bottom = rowOf(bgr, stride, bottomUp, height, row + 1);
        uint8_t* y0 = out.y + static_cast<size_t>(row) * out.yStride;
        uint8_t* y1 = y0 + out.yStride;
        uint8_t* u = out.u + static_cast<size_t>(row / 2) * out.uStride;
        uint8_t* v = out.v + static_cast<size_t>(row / 2) * out.vStride;
        for (int col = 0; col < width; col += 2) {
            const uint8_t* a = top + col * 3;
            const uint8_t* b = bottom + col * 3;
            y0[col] = lumaOf(a[0], a[1], a[2]);
            y0[col + 1] = lumaOf(a[3], a[4], a[5]);
            y1[col] = lumaOf(b[0], b[1], b[2]);
            y1[col + 1] = lumaOf(b[3], b[4], b[5]);
            const int sb = a[0] + a[3] + b[0] + b[3];
            const int sg = a[1] + a[4] + b[1] + b[4];
            const int sr = a[2] + a[5] + b[2] + b[5];
            // Sums of four pixels: scale the rounding and shift by 4 as well.
            u[col / 2] = static_cast<uint8_t>(((-38 * sr - 74 * sg + 112 * sb + 512) >> 10) + 128);
            v[col / 2] = static_cast<uint8_t>(((112 * sr - 94 * sg - 18 * sb + 512) >> 10) + 128);
        }
    }
}

void yuy2ToI420(const uint8_t* yuy2, size_t stride, int width, int height, const PlanarImage& out) {
    for (int row = 0; row < height; row += 2) {
        const uint8_t* top = yuy2 + stride * static_cast<size_t>(row);
        const uint8_t* bottom = top + stride;
        uint8_t* y0 = out.y + static_cast<size_t>(row) * out.yStride;
        uint8_t* y1 = y0 + out.yStride;
        uint8_t* u = out.u + static_cast<size_t>(row / 2) * out.uStride;
        uint8_t* v = out.v + static_cast<size_t>(row / 2) * out.vStride;
        for (int col = 0; col < width; col += 2) {
            const uint8_t* a = top + col * 2;
            const uint8_t* b = bottom + col * 2;
            y0[col] = a[0];
            y0[col + 1] = a[2];
            y1[col] = b[0];
            y1[col + 1] = b[2];
            u[col / 2] = static_cast<uint8_t>((a[1] + b[1] + 1) >> 1);
            v[col / 2] = static_cast<uint8_t>((a[3] + b[3] + 1) >> 1);
        }
    }
}

void i420ToBgr(const PlanarImage& in, int width, int height, uint8_t* bgr, size_t stride,
               bool bottomUp) {
    for (int row = 0; row < height; ++row) {
        uint8_t* out = bgr + stride * static_cast<size_t>(bottomUp ? height - 1 - row : row);
        const uint8_t* y = in.y + static_cast<size_t>(row) * in.yStride;
        const uint8_t* u = in.u + static_cast<size_t>(row / 2) * in.uStride;
        const uint8_t* v = in.v + static_cast<size_t>(row / 2) * in.vStride;
        for (int col = 0; col < width; ++col) {
            const int c = 298 * (y[col] - 16) + 128;
            const int d = u[col / 2] - 128;
            const int e = v[col / 2] - 128;
            out[col * 3 + 0] = clamp255((c + 516 * d) >> 8);
            out[col * 3 + 1] = clamp255((c - 100 * d - 208 * e) >> 8);
            out[col * 3 + 2] = clamp255((c + 409 * e) >> 8);
        }
    }
}

}  // namespace picodec
