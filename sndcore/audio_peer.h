// One remote party of a call: where its packets go, and the thread that
// receives its packets, orders them by time stamp, decodes them with the
// party's own codec instance and hands the sound to the mixer.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/party_address.h"
#include "platform/winmsg.h"
#include "sndcore/jitter_list.h"
#include "sndcore/speech_codec_slot.h"

namespace zemra::snd {

// Where decoded sound goes: the mixer's ring for a party's slot.
class PeerSoundSink {
  public:
    virtual ~PeerSoundSink() = default;
    virtual void writePeer(int slot, const uint8_t* pcm, size_t bytes) = 0;
    // A slot changes hands: what the previous party left must not be heard.
    virtual void clearPeer(int slot) = 0;
};

// Starts a thread running `body`; throws std::system_error when it cannot.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
ThreadStarter defaultThreadStarter();

class AudioPeer {
  public:
    struct Params {
        uint32_t peerId = 0;
        uint32_t address = 0;  // IPv4, network byte order; the only source heard
        uint16_t port = 0;     // host byte order; follows the party's packets
        int socket = -1;       // lent by the caller, never closed here
        WindowHandle window = 0;
        int slot = 0;
    };

    // How long a wait for a packet lasts before the party counts as silent.
    static constexpr int kWaitMilliseconds = 42;

    AudioPeer(const Params& params, CodecNameTable& codecNames, PeerSoundSink& sink);
    // Stops the receive thread and waits for it (at most one wait and one packet).
    ~AudioPeer();
    AudioPeer(const AudioPeer&) = delete;
    AudioPeer& operator=(const AudioPeer&) = delete;

    // Starts the receive thread; false when it could not be started.
    bool start(const ThreadStarter& starter);

    // Sends a datagram to the party, cut to its header while send mute is set.
    void send(const uint8_t* packet, size_t bytes) const;

    uint32_t peerId() const { return peerId_; }
    int slot() const { return slot_; }
    bool hasCodec() const { return codec_.loaded(); }
    void setSendMute(int flag) { sendMute_ = flag; }
    void setReceiveMute(int flag) { receiveMute_ = flag; }
    // Where packets to the party go now: its address, at the port of its
    // latest packet.
    sockaddr_in address() const;

  private:
    enum class Wait { kDatagram, kTimeout, kNothing };

    void receiveLoop();
    Wait waitAndRead(uint8_t* buffer, size_t& length, sockaddr_in& from) const;
    void handleDatagram(const uint8_t* datagram, size_t length, const sockaddr_in& from);
    void handleTimeout();
    void playOne();

    const uint32_t peerId_;
    const int socket_;
    const WindowHandle window_;
    const int slot_;
    SpeechCodecSlot codec_;
    PeerSoundSink& sink_;
    // Moved by the receive thread while the microphone thread sends.
    PartyAddress address_;
    std::atomic<int> sendMute_{0};
    std::atomic<int> receiveMute_{0};
    std::atomic<bool> stop_{false};
    JitterList jitter_;  // receive thread only
    std::thread thread_;
};

}  // namespace zemra::snd
