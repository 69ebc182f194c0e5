// A party's decompressor: opened for the size a key frame announces and
// kept while key frames keep that size; decodes into a picture buffer that
// then holds the party's last picture.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/icm.h"

namespace zemra::vid {

class VideoDecoder {
  public:
    // Key frames larger than this in either direction are refused before
    // any codec sees them.
    static constexpr int kMaxDimension = 4096;

    explicit VideoDecoder(uint32_t handler) : handler_(handler) {}

    // Makes the decompressor ready for frames of `input` (from a key frame):
    // reuses the open one for the same size, else reopens. False when that
    // fails; codec faults propagate.
    bool prepare(const BitmapInfoHeader& input);
    // Decodes into the picture buffer; false (and no last picture) when
    // nothing is begun or the codec fails. Codec faults propagate, leaving
    // no last picture.
    bool decode(std::span<const uint8_t> data);
    // Ends and closes the decompressor; faults propagate after release.
    void close();

    bool isBegun() const { return begun_; }
    const BitmapInfoHeader& inputFormat() const { return input_; }
    const BitmapInfoHeader& outputFormat() const { return output_; }
    bool hasPicture() const { return hasPicture_; }
    std::span<uint8_t> picture() { return picture_; }
    // How many times a codec was opened (for tests of reuse).
    unsigned opens() const { return opens_; }

  private:
    uint32_t handler_;
    std::unique_ptr<icm::Codec> codec_;
    BitmapInfoHeader input_;
    BitmapInfoHeader output_;
    std::vector<uint8_t> decoded_;
    std::vector<uint8_t> picture_;
    bool begun_ = false;
    bool hasPicture_ = false;
    unsigned opens_ = 0;
};

}  // namespace zemra::vid
