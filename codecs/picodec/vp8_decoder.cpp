#include "codecs/picodec/vp8_decoder.h"

#include <vpx/vp8dx.h>

#include "codecs/picodec/vp8_encoder.h"
#include "codecs/picodec/yuv_convert.h"

namespace picodec {

using namespace zemra::icm;

namespace {
size_t bgrStride(int width) {
    return ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
}
}  // namespace

Vp8Decoder::~Vp8Decoder() {
    destroy();
}

void Vp8Decoder::destroy() {
    if (initialised_) vpx_codec_destroy(&context_);
    initialised_ = false;
}

bool Vp8Decoder::acceptsInput(const BitmapInfoHeader& input) {
    return lowerFourCc(input.compression) == lowerFourCc(kVp8FourCc) && input.width >= 2 &&
           input.width <= kMaxDimension && input.height >= 2 && input.height <= kMaxDimension;
}

void Vp8Decoder::describeOutput(const BitmapInfoHeader& input, BitmapInfoHeader& output) {
    output = BitmapInfoHeader{};
    output.width = input.width;
    output.height = input.height;
    output.planes = 1;
    output.bitCount = 24;
    output.compression = 0;
    output.sizeImage = static_cast<uint32_t>(bgrStride(input.width) * input.height);
}

intptr_t Vp8Decoder::begin(const BitmapInfoHeader& input, const BitmapInfoHeader& output) {
    if (!acceptsInput(input)) return kIcErrBadFormat;
    const int outHeight = output.height < 0 ? -output.height : output.height;
    if (output.compression != 0 || output.bitCount != 24 || output.width != input.width ||
        outHeight != input.height) {
        return kIcErrBadFormat;
    }
    destroy();
    vpx_codec_dec_cfg_t cfg{};
    cfg.threads = 1;
    cfg.w = static_cast<unsigned>(input.width);
    cfg.h = static_cast<unsigned>(input.height);
    if (vpx_codec_dec_init(&context_, vpx_codec_vp8_dx(), &cfg, 0) != VPX_CODEC_OK) {
        return kIcErrInternal;
    }
    initialised_ = true;
    begun_ = true;
    width_ = input.width;
    height_ = input.height;
    bottomUp_ = output.height > 0;
    return kIcErrOk;
}

bool Vp8Decoder::keyFrameFits(const uint8_t* data, size_t size) const {
    // Bit 0 of the frame tag is 0 for a key frame; its width and height
    // follow the three-byte tag and the three-byte start code.
    if (size < 10 || (data[0] & 1) != 0) return true;
    const int width = (data[6] | (data[7] << 8)) & 0x3FFF;
    const int height = (data[8] | (data[9] << 8)) & 0x3FFF;
    return width == width_ && height == height_;
}

intptr_t Vp8Decoder::decompress(IcDecompress& frame) {
    if (!begun_) return kIcErrError;
    if (!frame.inputFormat || !frame.input || !frame.outputFormat || !frame.output) {
        return kIcErrBadParam;
    }
    const uint32_t size = frame.inputFormat->sizeImage;
    if (size == 0) return kIcErrBadSize;
    const size_t stride = bgrStride(width_);
    if (frame.outputFormat->sizeImage < stride * height_) return kIcErrBadSize;
    // A key frame names its picture size; libvpx sizes its buffers to that
    // (up to 16383 x 16383) before anything is checked, so a stranger size
    // is refused here.
    if (!keyFrameFits(static_cast<const uint8_t*>(frame.input), size)) return kIcErrBadFormat;
    if (vpx_codec_decode(&context_, static_cast<const uint8_t*>(frame.input), size, nullptr, 0) !=
        VPX_CODEC_OK) {
        return kIcErrError;
    }
    vpx_codec_iter_t iter = nullptr;
    const vpx_image_t* image = vpx_codec_get_frame(&context_, &iter);
    if (!image) return kIcErrError;
    // The size the stream carries must be the size the output was made for.
    if (static_cast<int>(image->d_w) != width_ || static_cast<int>(image->d_h) != height_ ||
        image->fmt != VPX_IMG_FMT_I420) {
        return kIcErrBadFormat;
    }
    const PlanarImage planes{image->planes[VPX_PLANE_Y], image->planes[VPX_PLANE_U],
                             image->planes[VPX_PLANE_V], image->stride[VPX_PLANE_Y],
                             image->stride[VPX_PLANE_U], image->stride[VPX_PLANE_V]};
    i420ToBgr(planes, width_, height_, static_cast<uint8_t*>(frame.output), stride, bottomUp_);
    return kIcErrOk;
}

}  // namespace picodec
