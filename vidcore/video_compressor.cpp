#include "vidcore/video_compressor.h"

#include <utility>

#include "vidcore/video_packet.h"

namespace zemra::vid {

using namespace icm;

namespace {

// What the picture of a capture format takes, so that a short delivery is
// never read past its end.
uint64_t pictureBytes(const BitmapInfoHeader& f) {
    if (f.compression == 0) return f.imageBytes();
    if (f.sizeImage) return f.sizeImage;
    const uint64_t pixels = uint64_t(f.width) * uint64_t(f.height < 0 ? -f.height : f.height);
    return pixels * f.bitCount / 8;
}

}  // namespace

bool VideoCompressor::open(const BitmapInfoHeader& input) {
    close();
    codec_ = Codec::open(kTypeVideo, handler_, kIcModeCompress);
    if (!codec_) return false;
    input_ = input;
    BitmapInfoHeader output;
    IcInfo info;
    if (codec_->compressGetFormat(input_, output) != kIcErrOk || codec_->getInfo(info) <= 0) {
        close();
        return false;
    }
    output_ = output;
    const intptr_t size = codec_->compressGetSize(input_, output_);
    if (size <= 0) {
        close();
        return false;
    }
    buffer_.assign(static_cast<size_t>(size) + kKeyFramePrefix, 0);
    output_.sizeImage = static_cast<uint32_t>(size);
    const intptr_t stateSize = codec_->stateSize();
    if (stateSize > 0) {
        state_.assign(static_cast<size_t>(stateSize), 0);
        codec_->getState(state_.data(), state_.size());
        codec_->setState(state_.data(), state_.size());
    }
    framesInfo_ = IcCompressFrames{};
    framesInfo_.outputFormat = &output_;
    framesInfo_.inputFormat = &input_;
    framesInfo_.startFrame = 0;
    framesInfo_.frameCount = 0x0FFFFFFF;
    framesInfo_.quality = 10000;
    framesInfo_.dataRate = 0x100000;
    framesInfo_.keyRate = 120;
    framesInfo_.rate = 1000000;
    framesInfo_.scale = 66666;  // 15 frames per second
    framesInfo_.flags = reinterpret_cast<uintptr_t>(&framesInfo_.keyRate);
    if (codec_->compressFramesInfo(framesInfo_) != kIcErrOk) {
        close();
        return false;
    }
    return true;
}

bool VideoCompressor::beginSequence() {
    if (!codec_) return false;
    if (begun_) endSequence();
    if (codec_->compressBegin(input_, output_) != kIcErrOk) return false;
    begun_ = true;
    frameNumber_ = 0;
    return true;
}

void VideoCompressor::endSequence() {
    if (!codec_ || !begun_) return;
    begun_ = false;
    if (!state_.empty()) codec_->setState(state_.data(), state_.size());
    codec_->compressEnd();
}

std::optional<VideoCompressor::Coded> VideoCompressor::code(const uint8_t* picture, size_t length) {
    if (!codec_ || !picture || length < pictureBytes(input_)) return std::nullopt;
    const uint32_t room = output_.sizeImage;
    uint32_t flags = 0;
    uint32_t ckid = 0;
    IcCompress frame;
    frame.outputFormat = &output_;
    frame.output = buffer_.data() + kKeyFramePrefix;
    frame.inputFormat = &input_;
    frame.input = picture;
    frame.ckid = &ckid;
    frame.outFlags = &flags;
    frame.frameNumber = frameNumber_;
    frame.frameSize = 0xFFFFFF;
    frame.quality = 0;
    intptr_t result;
    try {
        result = codec_->compress(frame);
    } catch (...) {
        output_.sizeImage = room;
        throw;
    }
    const uint32_t coded = output_.sizeImage;
    output_.sizeImage = room;
    if (result != kIcErrOk) return std::nullopt;
    ++frameNumber_;
    if (coded == 0 || coded > room) return std::nullopt;
    return Coded{std::span<uint8_t>(buffer_.data() + kKeyFramePrefix, coded),
                 (flags & kAviIfKeyFrame) != 0};
}

void VideoCompressor::close() {
    if (!codec_) {
        buffer_.clear();
        state_.clear();
        return;
    }
    std::unique_ptr<Codec> codec = std::move(codec_);
    const bool begun = std::exchange(begun_, false);
    std::vector<uint8_t> state = std::move(state_);
    buffer_ = {};
    state_.clear();
    if (begun) {
        if (!state.empty()) codec->setState(state.data(), state.size());
        codec->compressEnd();
    }
    codec->close();
}

}  // namespace zemra::vid
