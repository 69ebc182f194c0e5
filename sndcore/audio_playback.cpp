#include "audio_playback.h"

#include <algorithm>

#include "sndcore/pcm_mix.h"

namespace zemra::snd {

AudioPlayback::AudioPlayback(AudioRecorder& recorder)
    : recorder_(recorder), packedAdd_(packedAddAvailable()) {}

bool AudioPlayback::start(unsigned device) {
    // A device still open would keep playing from buffers handed out anew.
    stop();
    if (!headers_) headers_ = std::make_unique<std::array<WaveBuffer, kBufferCount>>();
    if (buffers_.empty()) buffers_.assign(kBufferCount * kBufferSamples, 0);
    stopped_ = 0;
    speakerMute_ = 0;
    device_ =
        WaveOut::open(device, engineFormat(), [this](WaveBuffer& buffer) { onBufferDone(buffer); });
    bool ok = device_ != nullptr;
    for (size_t i = 0; ok && i < kBufferCount; ++i) {
        WaveBuffer& h = (*headers_)[i];
        h.data = reinterpret_cast<uint8_t*>(buffers_.data() + i * kBufferSamples);
        h.bufferLength = kBufferBytes;
        h.flags = 0;
        ok = device_->prepare(h) && (h.flags & WaveBuffer::kPrepared) && device_->add(h);
    }
    ok = ok && device_->restart();
    if (!ok) {
        stopped_ = 1;
        if (device_) device_->close();
        device_.reset();
    }
    return ok;
}

void AudioPlayback::stop() {
    stopped_ = 1;
    if (device_) {
        device_->shutdown(*headers_);
        device_.reset();
    }
    headers_.reset();
    buffers_.clear();
    buffers_.shrink_to_fit();
    // The next call starts without the last one's sound.
    for (auto& ring : peerRings_) ring.clear();
    localRing_.clear();
}

void AudioPlayback::writePeer(int slot, const uint8_t* pcm, size_t bytes) {
    if (slot < 0 || slot >= static_cast<int>(kPeerRings) || stopped_) return;
    peerRings_[slot].write(pcm, bytes);
}

void AudioPlayback::clearPeer(int slot) {
    if (slot >= 0 && slot < static_cast<int>(kPeerRings)) peerRings_[slot].clear();
}

void AudioPlayback::mixPeers(int16_t* out, size_t samples, bool packed) {
    std::fill(out, out + samples, 0);
    if (speakerMute_) return;
    int16_t block[kBufferSamples];
    for (auto& ring : peerRings_) {
        for (size_t done = 0; done < samples; done += kBufferSamples) {
            const size_t n = std::min(kBufferSamples, samples - done);
            std::fill(block, block + n, 0);
            if (ring.read(reinterpret_cast<uint8_t*>(block), n * 2) != 0) {
                addSaturating(out + done, block, n, packed);
            }
        }
    }
}

void AudioPlayback::onBufferDone(WaveBuffer& buffer) {
    if (stopped_) return;
    if (!device_->unprepare(buffer)) return;
    auto* samples = reinterpret_cast<int16_t*>(buffer.data);
    const size_t count = buffer.bufferLength / 2;
    if (recorder_.hasFile()) {
        // What was just heard plus the microphone.
        std::vector<int16_t> block(count, 0);
        localRing_.read(reinterpret_cast<uint8_t*>(block.data()), count * 2);
        addSaturating(block.data(), samples, count, packedAdd_);
        recorder_.append(reinterpret_cast<const uint8_t*>(block.data()), count * 2,
                         static_cast<uint32_t>(count));
    }
    mixPeers(samples, count, packedAdd_);
    buffer.bytesRecorded = 0;
    buffer.flags = 0;
    if (device_->prepare(buffer) && (buffer.flags & WaveBuffer::kPrepared)) device_->add(buffer);
}

}  // namespace zemra::snd
