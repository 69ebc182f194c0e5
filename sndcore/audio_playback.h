// The speaker: three 40-ms buffers kept queued on the wave-out device. Each
// buffer that comes back is first mixed with the microphone into the
// recording (it holds what was just heard), then refilled with the sum of
// all parties' rings.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/wave.h"
#include "sndcore/audio_peer.h"
#include "sndcore/audio_recorder.h"
#include "sndcore/pcm_ring.h"
#include "sndcore/sound_format.h"

namespace zemra::snd {

class AudioPlayback : public PeerSoundSink {
  public:
    static constexpr size_t kPeerRings = 16;

    explicit AudioPlayback(AudioRecorder& recorder);
    ~AudioPlayback() override { stop(); }

    // Opens the device and starts playing; false when it cannot.
    bool start(unsigned device);
    void stop();
    // While set, silence is played and the rings are left to fill.
    void setSpeakerMute(int flag) { speakerMute_ = flag; }
    bool running() const { return !stopped_; }

    // A party's decoded sound; dropped while stopped or for a bad slot.
    void writePeer(int slot, const uint8_t* pcm, size_t bytes) override;
    void clearPeer(int slot) override;
    // The microphone's sound, for the recording.
    void writeLocal(const uint8_t* pcm, size_t bytes) { localRing_.write(pcm, bytes); }

    PcmRing& peerRing(size_t slot) { return peerRings_[slot]; }
    bool packedAdd() const { return packedAdd_; }

    // The refill of one returned buffer's samples: the sum of the parties'
    // rings (unless muted), each read for the buffer's length.
    void mixPeers(int16_t* out, size_t samples, bool packed);

  private:
    void onBufferDone(WaveBuffer& buffer);

    AudioRecorder& recorder_;
    const bool packedAdd_;
    std::unique_ptr<WaveOut> device_;
    std::unique_ptr<std::array<WaveBuffer, kBufferCount>> headers_;
    std::vector<int16_t> buffers_;  // kBufferCount buffers of kBufferSamples
    std::atomic<int> stopped_{1};
    std::atomic<int> speakerMute_{0};
    std::array<PcmRing, kPeerRings> peerRings_;
    PcmRing localRing_;
};

}  // namespace zemra::snd
