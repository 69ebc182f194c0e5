#include "audio_recorder.h"

#include <cstring>

#include "sndcore/sound_format.h"

namespace zemra::snd {

bool AudioRecorder::start(std::shared_ptr<AviFile> file) {
    // A recording still running is completed first, so nothing of it is lost.
    stop();
    std::lock_guard lock(mutex_);
    if (!file) return false;
    if (buffer_.empty()) buffer_.resize(kBufferBytes);
    bufferedBytes_ = 0;
    bufferedSamples_ = 0;

    uint8_t format[WaveFormat::kSize];
    engineFormat().writeTo(format);
    AviStream* stream = file->stream(kAviStreamAudio);
    bool ok;
    if (stream) {
        ok = stream->setFormat(stream->length(), format);
    } else {
        AviStreamInfo info;
        info.fccType = kAviStreamAudio;
        info.scale = engineFormat().blockAlign;
        info.rate = engineFormat().avgBytesPerSec;
        info.suggestedBufferSize = kBufferBytes;
        info.name = kStreamName;
        stream = file->createStream(info);
        ok = stream && stream->setFormat(0, format);
    }
    if (!ok) return false;
    file_ = std::move(file);
    stream_ = stream;
    hasFile_ = true;
    return true;
}

void AudioRecorder::stop() {
    std::shared_ptr<AviFile> file;
    {
        std::lock_guard lock(mutex_);
        if (stream_) flushLocked();
        bufferedBytes_ = 0;
        bufferedSamples_ = 0;
        stream_ = nullptr;
        file = std::move(file_);
        hasFile_ = false;
    }
    // Completing the file (headers, index, sync) may take a while; the
    // playback thread need not wait for it.
    file.reset();
}

bool AudioRecorder::append(const uint8_t* data, size_t bytes, uint32_t samples) {
    std::lock_guard lock(mutex_);
    if (!file_ || !stream_ || buffer_.empty() || bytes > kBufferBytes) return false;
    if (bufferedBytes_ + bytes > kBufferBytes && !flushLocked()) return false;
    std::memcpy(buffer_.data() + bufferedBytes_, data, bytes);
    bufferedBytes_ += bytes;
    bufferedSamples_ += samples;
    return true;
}

bool AudioRecorder::flushLocked() {
    if (bufferedBytes_ == 0) return true;
    if (!stream_->write(stream_->length(), std::span(buffer_.data(), bufferedBytes_),
                        bufferedSamples_, false)) {
        return false;
    }
    bufferedBytes_ = 0;
    bufferedSamples_ = 0;
    return true;
}

}  // namespace zemra::snd
