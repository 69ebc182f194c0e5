// The decompressing half of picodec: VP8 frames in, 24-bit BGR pictures out.
// Frames come from the network, so nothing in them is trusted: the declared
// size is bounded and a frame that decodes to another size is refused.
#pragma once

#include <vpx/vpx_decoder.h>

#include <cstdint>

#include "platform/icm_driver.h"

namespace picodec {

using zemra::BitmapInfoHeader;

class Vp8Decoder {
  public:
    Vp8Decoder() = default;
    ~Vp8Decoder();
    Vp8Decoder(const Vp8Decoder&) = delete;
    Vp8Decoder& operator=(const Vp8Decoder&) = delete;

    static bool acceptsInput(const BitmapInfoHeader& input);
    static void describeOutput(const BitmapInfoHeader& input, BitmapInfoHeader& output);

    intptr_t begin(const BitmapInfoHeader& input, const BitmapInfoHeader& output);
    intptr_t decompress(zemra::icm::IcDecompress& frame);
    void end() { begun_ = false; }

  private:
    // False for a key frame of another size than the decoder was begun for.
    bool keyFrameFits(const uint8_t* data, size_t size) const;
    void destroy();

    vpx_codec_ctx_t context_{};
    bool initialised_ = false;
    bool begun_ = false;
    int width_ = 0;
    int height_ = 0;
    bool bottomUp_ = true;
};

}  // namespace picodec
