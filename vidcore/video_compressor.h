// The sender's compressor: a codec opened through the codec manager for the
// capture format, announced a sequence at 15 frames per second, and coding
// one picture at a time into a buffer that leaves room in front for the
// frame message's prefix.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/icm.h"

namespace zemra::vid {

class VideoCompressor {
  public:
    struct Coded {
        std::span<uint8_t> data;  // the coded bytes; kKeyFramePrefix bytes before them are free
        bool keyFrame = false;
    };

    explicit VideoCompressor(uint32_t handler) : handler_(handler) {}

    // Frees earlier buffers and codec, then opens one for `input`. Codec
    // faults propagate.
    bool open(const BitmapInfoHeader& input);
    // Ends a begun sequence first; the next picture is a key frame.
    bool beginSequence();
    void endSequence();
    // Nothing when the codec fails or yields nothing. `length` below the
    // input format's picture size is refused.
    std::optional<Coded> code(const uint8_t* picture, size_t length);
    // Ends the sequence, closes the codec and frees the buffers. Codec
    // faults propagate, after everything is released.
    void close();

    bool isOpen() const { return codec_ != nullptr; }
    const BitmapInfoHeader& outputFormat() const { return output_; }

  private:
    uint32_t handler_;
    std::unique_ptr<icm::Codec> codec_;
    BitmapInfoHeader input_;
    BitmapInfoHeader output_;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t> state_;
    icm::IcCompressFrames framesInfo_;
    bool begun_ = false;
    int32_t frameNumber_ = 0;
};

}  // namespace zemra::vid
