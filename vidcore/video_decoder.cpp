#include "vidcore/video_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace zemra::vid {

using namespace icm;

bool VideoDecoder::prepare(const BitmapInfoHeader& input) {
    if (begun_ && codec_ && input_.width == input.width && input_.height == input.height) {
        input_ = input;
        return true;
    }
    close();
    if (input.width <= 0 || input.height <= 0 || input.width > kMaxDimension ||
        input.height > kMaxDimension) {
        return false;
    }
    codec_ = Codec::open(kTypeVideo, handler_, kIcModeDecompress);
    if (!codec_) return false;
    ++opens_;
    input_ = input;
    BitmapInfoHeader output;
    if (codec_->decompressGetFormat(input_, output) != kIcErrOk) {
        close();
        return false;
    }
    // The picture is drawn as the output format says: it must fit the buffer.
    const uint64_t needed = output.imageBytes();
    if (output.bitCount != 24 || output.compression != 0 || output.width != input.width ||
        std::abs(output.height) != input.height || output.sizeImage < needed) {
        close();
        return false;
    }
    output_ = output;
    decoded_.assign(output_.sizeImage, 0);
    picture_.assign(output_.sizeImage, 0);
    if (codec_->decompressBegin(input_, output_) != kIcErrOk) {
        close();
        return false;
    }
    begun_ = true;
    return true;
}

bool VideoDecoder::decode(std::span<const uint8_t> data) {
    hasPicture_ = false;
    if (!begun_ || !codec_ || data.empty()) return false;
    BitmapInfoHeader input = input_;
    input.sizeImage = static_cast<uint32_t>(data.size());
    BitmapInfoHeader output = output_;
    IcDecompress frame;
    frame.inputFormat = &input;
    frame.input = data.data();
    frame.outputFormat = &output;
    frame.output = decoded_.data();
    if (codec_->decompress(frame) != kIcErrOk) return false;
    std::memcpy(picture_.data(), decoded_.data(), picture_.size());
    hasPicture_ = true;
    return true;
}

void VideoDecoder::close() {
    hasPicture_ = false;
    const bool begun = std::exchange(begun_, false);
    std::unique_ptr<Codec> codec = std::move(codec_);
    decoded_ = {};
    picture_ = {};
    if (!codec) return;
    if (begun) codec->decompressEnd();
    codec->close();
}

}  // namespace zemra::vid
