// Picture conversions between the formats cameras and windows use (24-bit
// BGR rows bottom-up, packed YUY2) and the planar I420 that VP8 codes.
// BT.601 studio range, integer arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

namespace picodec {

struct PlanarImage {
    uint8_t* y;
    uint8_t* u;
    uint8_t* v;
    int yStride;
    int uStride;
    int vStride;
};

// `bgr` rows are `stride` bytes apart; `bottomUp` says whether the first row
// in memory is the lowest of the picture. Width and height are even.
void bgrToI420(const uint8_t* bgr, size_t stride, bool bottomUp, int width, int height,
               const PlanarImage& out);
void yuy2ToI420(const uint8_t* yuy2, size_t stride, int width, int height, const PlanarImage& out);
void i420ToBgr(const PlanarImage& in, int width, int height, uint8_t* bgr, size_t stride,
               bool bottomUp);

}  // namespace picodec
