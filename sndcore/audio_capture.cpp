#include "audio_capture.h"

#include <cstdlib>
#include <cstring>

#include "sndcore/audio_packet.h"

namespace zemra::snd {

AudioCapture::AudioCapture(CodecNameTable& codecNames, PeerTable& peers, AudioPlayback& playback,
                           AudioRecorder& recorder)
    : peers_(peers), playback_(playback), recorder_(recorder), codec_(codecNames) {}

bool AudioCapture::start(unsigned device, uint32_t ownId, WindowHandle window) {
    // A device still open would keep recording into buffers handed out anew.
    stop();
    if (!headers_) headers_ = std::make_unique<std::array<WaveBuffer, kBufferCount>>();
    if (block_.empty()) block_.assign(kBufferCount * kBufferBytes, 0);
    window_ = window;
    stopped_ = 0;
    mute_ = 0;
    ownId_ = ownId;
    sequence_ = static_cast<uint16_t>(std::rand() % 32768);
    timestamp_ = 0;
    gain_.reset();
    device_ =
        WaveIn::open(device, engineFormat(), [this](WaveBuffer& buffer) { onBufferDone(buffer); });
    bool ok = device_ != nullptr;
    for (size_t i = 0; ok && i < kBufferCount; ++i) {
        WaveBuffer& h = (*headers_)[i];
        h.data = block_.data() + i * kBufferBytes;
        h.bufferLength = kBufferBytes;
        h.flags = 0;
        ok = device_->prepare(h) && (h.flags & WaveBuffer::kPrepared) && device_->add(h);
    }
    ok = ok && device_->start();
    if (!ok) {
        stopped_ = 1;
        if (device_) device_->close();
        device_.reset();
    }
    return ok;
}

void AudioCapture::stop() {
    stopped_ = 1;
    if (device_) {
        device_->shutdown(*headers_);
        device_.reset();
    }
    headers_.reset();
    block_.clear();
    block_.shrink_to_fit();
}

void AudioCapture::onBufferDone(WaveBuffer& buffer) {
    if (stopped_) return;
    if (!device_->unprepare(buffer)) return;
    processBuffer(buffer.data, buffer.bytesRecorded);
    buffer.bytesRecorded = 0;
    buffer.flags = 0;
    if (device_->prepare(buffer)) device_->add(buffer);
}

void AudioCapture::processBuffer(uint8_t* data, size_t bytes) {
    if (gainOn_) {
        int16_t samples[kBufferSamples];
        const size_t n = std::min(bytes / 2, kBufferSamples);
        std::memcpy(samples, data, n * 2);
        gain_.process(samples, n);
        std::memcpy(data, samples, n * 2);
    }
    if (recorder_.hasFile()) playback_.writeLocal(data, bytes);
    if (!mute_) {
        if (const auto coded = codec_.encode(data, bytes)) sendPacket(coded->data(), coded->size());
        const uint32_t level = bytes < 2 ? 0 : meanAbsoluteLevel(data, bytes);
        postWindowMessage(window_, kWmAudioLevel, level, 0);
    } else {
        postWindowMessage(window_, kWmAudioLevel, 0, 0);
        sendPacket(nullptr, 0);
    }
}

void AudioCapture::sendPacket(const uint8_t* payload, size_t bytes) {
    uint8_t packet[kAudioPacketBytes];
    writeAudioHeader({sequence_, timestamp_, ownId_},
                     std::span<uint8_t, kAudioHeaderBytes>(packet, kAudioHeaderBytes));
    if (bytes) std::memcpy(packet + kAudioHeaderBytes, payload, bytes);
    ++sequence_;
    timestamp_ += kBufferMilliseconds;
    peers_.sendToAll(packet, kAudioHeaderBytes + bytes);
}

}  // namespace zemra::snd
