#include "vidcore/avi_video_writer.h"

#include <string>
#include <system_error>

#include "platform/avi_file_handles.h"
#include "platform/winmsg.h"

namespace zemra::vid {

namespace {

// An existing recording is continued; a missing or empty file is created.
// Anything else that exists is somebody's data: it is refused, never
// truncated.
std::shared_ptr<AviFile> openOrCreate(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    const bool empty = std::filesystem::is_regular_file(status) &&
                       std::filesystem::file_size(path, ec) == 0 && !ec;
    if (!std::filesystem::exists(status) || empty) {
        return AviFile::open(path, AviFile::Mode::kCreate);
    }
    std::shared_ptr<AviFile> file = AviFile::open(path, AviFile::Mode::kReadWrite);
    if (!file) {
        showMessageBox("无法续写录像文件" + path.string() + "，原文件已保留", "录像");
    }
    return file;
}

}  // namespace

AviVideoWriter::AviVideoWriter(Clock clock) : clock_(std::move(clock)) {}

AviVideoWriter::~AviVideoWriter() {
    close();
}

void* AviVideoWriter::open(const std::filesystem::path& path) {
    std::lock_guard lock(mutex_);
    closeLocked();
    // The audio engine may still be finishing the sound track of this very
    // file: the writers share it rather than open it twice.
    std::shared_ptr<AviFile> file = AviFileHandles::findWriting(path);
    if (!file) file = openOrCreate(path);
    if (!file) return nullptr;
    file_ = std::move(file);
    handle_ = AviFileHandles::publish(file_);
    return handle_;
}

void AviVideoWriter::close() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

void AviVideoWriter::closeLocked() {
    AviFileHandles::withdraw(handle_);
    handle_ = nullptr;
    stream_ = nullptr;
    file_.reset();
}

bool AviVideoWriter::isOpen() const {
    std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

uint32_t AviVideoWriter::millisecondsOf(uint32_t positions) const {
    return static_cast<uint32_t>(uint64_t{positions} * scale_ * 1000 / rate_);
}

bool AviVideoWriter::startStream(const BitmapInfoHeader& format, uint32_t now) {
    uint8_t formatBytes[BitmapInfoHeader::kSize];
    BitmapInfoHeader stored = format;
    stored.size = BitmapInfoHeader::kSize;  // the format chunk carries no colour table
    stored.writeTo(formatBytes);

    if (AviStream* existing = file_->stream(kAviStreamVideo)) {
        const AviStreamInfo info = existing->info();
        // Without a time base there is no telling where new frames belong.
        if (info.rate == 0 || info.scale == 0) return false;
        if (!existing->setFormat(info.length, formatBytes)) return false;
        stream_ = existing;
        rate_ = info.rate;
        scale_ = info.scale;
        startMs_ = now - millisecondsOf(info.length);
        return true;
    }
    AviStreamInfo info;
    info.fccType = kAviStreamVideo;
    info.fccHandler = 0;
    info.scale = 1;
    info.rate = kTicksPerSecond;
    info.suggestedBufferSize = format.sizeImage;
    info.quality = 10000;
    info.frame[2] = static_cast<int16_t>(format.width);
    info.frame[3] = static_cast<int16_t>(format.height < 0 ? -format.height : format.height);
    info.name = "meeting video";
    AviStream* created = file_->createStream(info);
    if (!created || !created->setFormat(0, formatBytes)) return false;
    stream_ = created;
    rate_ = info.rate;
    scale_ = info.scale;
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
    const uint32_t length = stream_->length();
    uint64_t position = uint64_t{now - startMs_} * rate_ / (uint64_t{scale_} * 1000);
    if (position > uint64_t{length} + AviStream::kMaxSkip) {
        // A pause longer than the stream can hold empty (sending stopped, a
        // party's camera off for an hour) is left out of the recording.
        startMs_ = now - millisecondsOf(length);
        position = length;
    }
    // A frame whose position is taken goes to the next free one rather than
    // being lost.
    const uint32_t at = position < length ? kAviAppend : static_cast<uint32_t>(position);
    stream_->write(at, data, 1, keyFrame);
}

}  // namespace zemra::vid
