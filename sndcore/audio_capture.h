// The microphone channel: three 40-ms buffers kept queued on the wave-in
// device. Each recorded buffer is levelled (automatic gain), handed to the
// recording, coded and sent to every party as one datagram, and its level
// posted to the window.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/wave.h"
#include "platform/winmsg.h"
#include "sndcore/audio_playback.h"
#include "sndcore/audio_recorder.h"
#include "sndcore/auto_gain.h"
#include "sndcore/peer_table.h"
#include "sndcore/speech_codec_slot.h"

namespace zemra::snd {

class AudioCapture {
  public:
    AudioCapture(CodecNameTable& codecNames, PeerTable& peers, AudioPlayback& playback,
                 AudioRecorder& recorder);
    ~AudioCapture() { stop(); }

    // Opens and starts the device; false when it cannot.
    bool start(unsigned device, uint32_t ownId, WindowHandle window);
    void stop();
    void setMute(int flag) { mute_ = flag; }
    void setGainOn(int flag) { gainOn_ = flag; }
    int gainOn() const { return gainOn_; }
    bool hasCodec() const { return codec_.loaded(); }

    // The work on one recorded buffer (device thread).
    void processBuffer(uint8_t* data, size_t bytes);

  private:
    void onBufferDone(WaveBuffer& buffer);
    void sendPacket(const uint8_t* payload, size_t bytes);

    PeerTable& peers_;
    AudioPlayback& playback_;
    AudioRecorder& recorder_;
    SpeechCodecSlot codec_;
    std::unique_ptr<WaveIn> device_;
    std::unique_ptr<std::array<WaveBuffer, kBufferCount>> headers_;
    std::vector<uint8_t> block_;
    std::atomic<int> stopped_{1};
    std::atomic<int> mute_{0};
    std::atomic<int> gainOn_{0};
    // Written by start() before the device runs, then by the device thread only.
    uint32_t ownId_ = 0;
    uint16_t sequence_ = 0;
    uint32_t timestamp_ = 0;
    WindowHandle window_ = 0;
    AutoGain gain_;
};

}  // namespace zemra::snd
