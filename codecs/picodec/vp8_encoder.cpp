#include "codecs/picodec/vp8_encoder.h"

#include <vpx/vp8cx.h>

#include <algorithm>
#include <cstring>

#include "codecs/picodec/yuv_convert.h"
#include "platform/byte_order.h"

namespace picodec {

using namespace zemra::icm;

namespace {

constexpr uint32_t kI420 = zemra::makeFourCc('I', '4', '2', '0');
constexpr uint32_t kIyuv = zemra::makeFourCc('I', 'Y', 'U', 'V');
constexpr uint32_t kYuy2 = zemra::makeFourCc('Y', 'U', 'Y', '2');
constexpr uint32_t kYuyv = zemra::makeFourCc('Y', 'U', 'Y', 'V');
constexpr uint32_t kChunkIdCompressed = zemra::makeFourCc('0', '0', 'd', 'c');

// Enough bits for a clean picture of synthetic or camera content at these
// sizes, and small enough that key frames stay far below what one datagram
// burst carries.
constexpr double kBitsPerPixel = 0.6;
constexpr uint32_t kMinKbits = 100;

int absHeight(const BitmapInfoHeader& h) {
    return h.height < 0 ? -h.height : h.height;
}

size_t bgrStride(int width) {
    return ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
}

}  // namespace

Vp8Encoder::Vp8Encoder() = default;

Vp8Encoder::~Vp8Encoder() {
    destroy();
}

void Vp8Encoder::destroy() {
    if (initialised_) vpx_codec_destroy(&context_);
    if (imageAllocated_) vpx_img_free(&image_);
    initialised_ = false;
    imageAllocated_ = false;
}

bool Vp8Encoder::inputKind(const BitmapInfoHeader& input, Input& kind) {
    const uint32_t code = lowerFourCc(input.compression);
    if (input.compression == 0 && input.bitCount == 24) {
        kind = Input::kBgr24;
    } else if ((code == lowerFourCc(kI420) || code == lowerFourCc(kIyuv)) && input.bitCount == 12) {
        kind = Input::kI420;
    } else if ((code == lowerFourCc(kYuy2) || code == lowerFourCc(kYuyv)) && input.bitCount == 16) {
        kind = Input::kYuy2;
    } else {
        return false;
    }
    const int h = absHeight(input);
    if (input.width < 2 || input.width > kMaxDimension || h < 2 || h > kMaxDimension) return false;
    if (input.width % 2 != 0 || h % 2 != 0) return false;
    // Planar and packed YUV are always stored top-down.
    return kind == Input::kBgr24 || input.height > 0;
}

bool Vp8Encoder::acceptsInput(const BitmapInfoHeader& input) {
    Input kind;
    return inputKind(input, kind);
}

uint32_t Vp8Encoder::maxCodedSize(const BitmapInfoHeader& input) {
    // VP8 never codes a frame larger than its raw picture plus its headers.
    return static_cast<uint32_t>(input.width) * absHeight(input) * 3 + 4096;
}

void Vp8Encoder::describeOutput(const BitmapInfoHeader& input, BitmapInfoHeader& output) {
    output = BitmapInfoHeader{};
    output.width = input.width;
    output.height = absHeight(input);
    output.planes = 1;
    output.bitCount = 24;
    output.compression = kVp8FourCc;
    output.sizeImage = maxCodedSize(input);
}

void Vp8Encoder::setFramesInfo(const IcCompressFrames& info) {
    if (info.rate > 0 && info.scale > 0) {
        rate_ = info.rate;
        scale_ = info.scale;
    }
    dataRate_ = info.dataRate > 0 ? static_cast<uint32_t>(info.dataRate) : 0;
    keyRate_ = info.keyRate > 0 ? static_cast<uint32_t>(info.keyRate) : 0;
    dirty_ = true;
}

intptr_t Vp8Encoder::getState(void* buffer, size_t size) const {
    if (!buffer) return EncoderTuning::kBytes;
    if (size < EncoderTuning::kBytes) return kIcErrBadSize;
    auto* p = static_cast<uint8_t*>(buffer);
    zemra::putLe32(p, EncoderTuning::kMagic);
    zemra::putLe32(p + 4, static_cast<uint32_t>(tuning_.cpuUsed));
    zemra::putLe32(p + 8, tuning_.maxKbitsPerSecond);
    return EncoderTuning::kBytes;
}

intptr_t Vp8Encoder::setState(const void* buffer, size_t size) {
    if (!buffer) {
        tuning_ = EncoderTuning{};
        dirty_ = true;
        return 0;
    }
    if (size < EncoderTuning::kBytes) return 0;
    const auto* p = static_cast<const uint8_t*>(buffer);
    if (zemra::getLe32(p) != EncoderTuning::kMagic) return 0;
    EncoderTuning next;
    next.cpuUsed = std::clamp(static_cast<int32_t>(zemra::getLe32(p + 4)), -16, 16);
    next.maxKbitsPerSecond = zemra::getLe32(p + 8);
    if (next.cpuUsed != tuning_.cpuUsed || next.maxKbitsPerSecond != tuning_.maxKbitsPerSecond) {
        tuning_ = next;
        dirty_ = true;
    }
    return EncoderTuning::kBytes;
}

bool Vp8Encoder::configure() {
    destroy();
    vpx_codec_enc_cfg_t cfg;
    if (vpx_codec_enc_config_default(vpx_codec_vp8_cx(), &cfg, 0) != VPX_CODEC_OK) return false;
    cfg.g_w = static_cast<unsigned>(width_);
    cfg.g_h = static_cast<unsigned>(height_);
    cfg.g_timebase.num = static_cast<int>(scale_);
    cfg.g_timebase.den = static_cast<int>(rate_);
    cfg.g_threads = 1;
    cfg.g_lag_in_frames = 0;
    cfg.g_error_resilient = VPX_ERROR_RESILIENT_DEFAULT;
    cfg.rc_end_usage = VPX_CBR;
    cfg.rc_dropframe_thresh = 0;  // every picture offered yields a frame
    cfg.rc_min_quantizer = 4;
    cfg.rc_max_quantizer = 50;
    cfg.rc_undershoot_pct = 95;
    cfg.rc_overshoot_pct = 15;
    cfg.rc_buf_sz = 1000;
    cfg.rc_buf_initial_sz = 500;
    cfg.rc_buf_optimal_sz = 600;
    const double fps = static_cast<double>(rate_) / scale_;
    uint32_t kbits = tuning_.maxKbitsPerSecond;
    if (kbits == 0) {
        kbits = static_cast<uint32_t>(width_ * height_ * fps * kBitsPerPixel / 1000.0);
    }
    if (dataRate_ > 0) kbits = std::min<uint32_t>(kbits, dataRate_ / 125);
    cfg.rc_target_bitrate = std::max(kbits, kMinKbits);
    cfg.kf_mode = VPX_KF_AUTO;
    cfg.kf_min_dist = 0;
    cfg.kf_max_dist = keyRate_ > 0 ? keyRate_ : 120;
    if (vpx_codec_enc_init(&context_, vpx_codec_vp8_cx(), &cfg, 0) != VPX_CODEC_OK) return false;
    initialised_ = true;
    vpx_codec_control(&context_, VP8E_SET_CPUUSED, tuning_.cpuUsed);
    vpx_codec_control(&context_, VP8E_SET_NOISE_SENSITIVITY, 0);
    vpx_codec_control(&context_, VP8E_SET_STATIC_THRESHOLD, 1);
    // Key frames of at most five average frames keep bursts short.
    vpx_codec_control(&context_, VP8E_SET_MAX_INTRA_BITRATE_PCT, 500);
    if (!vpx_img_alloc(&image_, VPX_IMG_FMT_I420, cfg.g_w, cfg.g_h, 16)) {
        destroy();
        return false;
    }
    imageAllocated_ = true;
    dirty_ = false;
    pts_ = 0;
    return true;
}

intptr_t Vp8Encoder::begin(const BitmapInfoHeader& input, const BitmapInfoHeader& output) {
    Input kind;
    if (!inputKind(input, kind)) return kIcErrBadFormat;
    if (lowerFourCc(output.compression) != lowerFourCc(kVp8FourCc) || output.width != input.width ||
        output.height != absHeight(input)) {
        return kIcErrBadFormat;
    }
    const bool sameShape = initialised_ && width_ == input.width && height_ == absHeight(input);
    width_ = input.width;
    height_ = absHeight(input);
    kind_ = kind;
    // A new sequence on the same shape keeps the encoder and its rate
    // control; it only has to start with a key frame.
    if (!sameShape || dirty_) {
        if (!configure()) return kIcErrInternal;
    }
    begun_ = true;
    forceKey_ = true;
    return kIcErrOk;
}

bool Vp8Encoder::importPicture(const BitmapInfoHeader& format, const uint8_t* bits) {
    const PlanarImage planes{image_.planes[VPX_PLANE_Y], image_.planes[VPX_PLANE_U],
                             image_.planes[VPX_PLANE_V], image_.stride[VPX_PLANE_Y],
                             image_.stride[VPX_PLANE_U], image_.stride[VPX_PLANE_V]};
    switch (kind_) {
        case Input::kBgr24:
            bgrToI420(bits, bgrStride(width_), format.height > 0, width_, height_, planes);
            return true;
        case Input::kYuy2:
            yuy2ToI420(bits, static_cast<size_t>(width_) * 2, width_, height_, planes);
            return true;
        case Input::kI420: {
            const uint8_t* y = bits;
            const uint8_t* u = y + static_cast<size_t>(width_) * height_;
            const uint8_t* v = u + static_cast<size_t>(width_ / 2) * (height_ / 2);
            for (int row = 0; row < height_; ++row) {
                std::memcpy(planes.y + static_cast<size_t>(row) * planes.yStride,
                            y + static_cast<size_t>(row) * width_, width_);
            }
            for (int row = 0; row < height_ / 2; ++row) {
                std::memcpy(planes.u + static_cast<size_t>(row) * planes.uStride,
                            u + static_cast<size_t>(row) * (width_ / 2), width_ / 2);
                std::memcpy(planes.v + static_cast<size_t>(row) * planes.vStride,
                            v + static_cast<size_t>(row) * (width_ / 2), width_ / 2);
            }
            return true;
        }
    }
    return false;
}

intptr_t Vp8Encoder::compress(IcCompress& frame) {
    if (!begun_ || !initialised_) return kIcErrError;
    if (!frame.inputFormat || !frame.input || !frame.outputFormat || !frame.output) {
        return kIcErrBadParam;
    }
    const BitmapInfoHeader& in = *frame.inputFormat;
    Input kind;
    if (!inputKind(in, kind) || kind != kind_ || in.width != width_ || absHeight(in) != height_) {
        return kIcErrBadFormat;
    }
    if (!importPicture(in, static_cast<const uint8_t*>(frame.input))) return kIcErrBadFormat;

    vpx_enc_frame_flags_t flags = 0;
    if (forceKey_ || frame.frameNumber == 0 || (frame.flags & kIcCompressKeyFrame)) {
        flags |= VPX_EFLAG_FORCE_KF;
    }
    if (vpx_codec_encode(&context_, &image_, pts_, 1, flags, VPX_DL_REALTIME) != VPX_CODEC_OK) {
        return kIcErrInternal;
    }
    ++pts_;
    forceKey_ = false;

    const size_t room = frame.outputFormat->sizeImage;
    auto* out = static_cast<uint8_t*>(frame.output);
    size_t written = 0;
    bool key = false;
    bool overflow = false;
    vpx_codec_iter_t iter = nullptr;
    while (const vpx_codec_cx_pkt_t* packet = vpx_codec_get_cx_data(&context_, &iter)) {
        if (packet->kind != VPX_CODEC_CX_FRAME_PKT) continue;
        const size_t size = packet->data.frame.sz;
        if (written + size > room) {
            overflow = true;
            continue;
        }
        std::memcpy(out + written, packet->data.frame.buf, size);
        written += size;
        if (packet->data.frame.flags & VPX_FRAME_IS_KEY) key = true;
    }
    if (overflow) {
        forceKey_ = true;  // the frame is lost: the next one must not depend on it
        return kIcErrBadSize;
    }
    frame.outputFormat->sizeImage = static_cast<uint32_t>(written);
    if (frame.outFlags) *frame.outFlags = key ? kAviIfKeyFrame : 0;
    if (frame.ckid) *frame.ckid = kChunkIdCompressed;
    return kIcErrOk;
}

}  // namespace picodec
