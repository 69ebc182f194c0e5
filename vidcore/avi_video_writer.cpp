#include "vidcore/avi_video_writer.h"

namespace zemra::vid {

AviVideoWriter::AviVideoWriter(Clock clock) : clock_(std::move(clock)) {}

AviVideoWriter::~AviVideoWriter() {
    close();
}

AviFile* AviVideoWriter::open(const std::filesystem::path& path) {
    std::lock_guard lock(mutex_);
    stream_ = nullptr;
    file_.reset();
    file_ = AviFile::open(path, AviFile::Mode::kReadWrite);
    if (!file_) file_ = AviFile::open(path, AviFile::Mode::kCreate);
    return file_.get();
}

void AviVideoWriter::close() {
    std::lock_guard lock(mutex_);
    stream_ = nullptr;
    file_.reset();
}

bool AviVideoWriter::isOpen() const {
    std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

bool AviVideoWriter::startStream(const BitmapInfoHeader& format, uint32_t now) {
    uint8_t formatBytes[BitmapInfoHeader::kSize];
    BitmapInfoHeader stored = format;
    stored.size = BitmapInfoHeader::kSize;  // the format chunk carries no colour table
    stored.writeTo(formatBytes);

    if (AviStream* existing = file_->stream(kAviStreamVideo)) {
        const uint32_t length = existing->length();
        if (!existing->setFormat(length, formatBytes)) return false;
        stream_ = existing;
        startMs_ = now - static_cast<uint32_t>(uint64_t{length} * 1000 / kFramesPerSecond);
        return true;
    }
    AviStreamInfo info;
    info.fccType = kAviStreamVideo;
    info.fccHandler = 0;
    info.scale = 1;
    info.rate = kFramesPerSecond;
    info.suggestedBufferSize = format.sizeImage;
    info.quality = 10000;
    info.frame[2] = static_cast<int16_t>(format.width);
    info.frame[3] = static_cast<int16_t>(format.height < 0 ? -format.height : format.height);
    info.name = "meeting video";
    AviStream* created = file_->createStream(info);
    if (!created || !created->setFormat(0, formatBytes)) return false;
    stream_ = created;
    startMs_ = now;
    return true;
}

void AviVideoWriter::write(const BitmapInfoHeader& format, std::span<const uint8_t> data,
                           bool keyFrame) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    const uint32_t now = clock_();
    if (!stream_) {
        if (!keyFrame || !startStream(format, now)) return;
    }
    const uint64_t position = uint64_t{now - startMs_} * kFramesPerSecond / 1000;
    // Frames closer together than a fifteenth of a second share a position;
    // later ones go to the next free place rather than being lost, since a
    // coded video cannot skip a frame.
    const uint32_t length = stream_->length();
    const uint32_t at = position < length ? kAviAppend : static_cast<uint32_t>(position);
    stream_->write(at, data, 1, keyFrame);
}

}  // namespace zemra::vid
