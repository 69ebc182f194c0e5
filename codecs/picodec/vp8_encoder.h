// The compressing half of picodec: 24-bit BGR, I420 or YUY2 pictures in,
// VP8 frames out, coded in libvpx's real-time mode at constant bit rate.
#pragma once

#include <vpx/vpx_encoder.h>

#include <cstdint>

#include "platform/icm_driver.h"

namespace picodec {

using zemra::BitmapInfoHeader;

inline constexpr uint32_t kVp8FourCc = zemra::makeFourCc('V', 'P', '8', '0');
inline constexpr int kMaxDimension = 4096;

// Tuning that callers may save and restore as the codec's state block.
struct EncoderTuning {
    static constexpr uint32_t kMagic = zemra::makeFourCc('P', 'C', 'D', '1');
    static constexpr size_t kBytes = 12;
    int32_t cpuUsed = 8;             // libvpx speed: higher is faster and coarser
    uint32_t maxKbitsPerSecond = 0;  // 0: derived from the picture size and frame rate
};

class Vp8Encoder {
  public:
    Vp8Encoder();
    ~Vp8Encoder();
    Vp8Encoder(const Vp8Encoder&) = delete;
    Vp8Encoder& operator=(const Vp8Encoder&) = delete;

    static bool acceptsInput(const BitmapInfoHeader& input);
    static void describeOutput(const BitmapInfoHeader& input, BitmapInfoHeader& output);
    static uint32_t maxCodedSize(const BitmapInfoHeader& input);

    void setFramesInfo(const zemra::icm::IcCompressFrames& info);
    intptr_t getState(void* buffer, size_t size) const;
    intptr_t setState(const void* buffer, size_t size);

    intptr_t begin(const BitmapInfoHeader& input, const BitmapInfoHeader& output);
    intptr_t compress(zemra::icm::IcCompress& frame);
    void end() { begun_ = false; }

  private:
    enum class Input { kBgr24, kI420, kYuy2 };
    static bool inputKind(const BitmapInfoHeader& input, Input& kind);
    bool configure();
    void destroy();
    bool importPicture(const BitmapInfoHeader& format, const uint8_t* bits);

    vpx_codec_ctx_t context_{};
    vpx_image_t image_{};
    bool initialised_ = false;
    bool imageAllocated_ = false;
    bool begun_ = false;
    bool forceKey_ = true;
    int width_ = 0;
    int height_ = 0;
    Input kind_ = Input::kBgr24;
    int64_t pts_ = 0;

    // From the frames-info record.
    uint32_t rate_ = 15;
    uint32_t scale_ = 1;
    uint32_t dataRate_ = 0;
    uint32_t keyRate_ = 0;
    EncoderTuning tuning_;
    bool dirty_ = true;  // settings changed since the encoder was configured
};

}  // namespace picodec
