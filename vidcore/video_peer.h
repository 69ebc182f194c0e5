// One remote party of the video engine: where its pictures are drawn, the
// socket and address its datagrams travel through, and its receive thread,
// which reassembles, decodes, softens, draws and records its frames and
// tells it about lost ones.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

#include "platform/party_address.h"
#include "platform/winmsg.h"
#include "vidcore/avi_video_writer.h"
#include "vidcore/frame_assembler.h"
#include "vidcore/video_decoder.h"

namespace zemra::vid {

inline constexpr uint32_t kWmVideoPacket = kWmUser + 1007;
inline constexpr uint32_t kWmVideoSendFailed = kWmUser + 1222;

// Starts a receive thread running `body`; throws when it cannot.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
ThreadStarter defaultThreadStarter();

struct Display {
    WindowHandle window = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool show = false;
};

class VideoPeer {
  public:
    struct Config {
        uint32_t peerId = 0;
        uint32_t ownId = 0;    // written into its probes and reports
        int socket = -1;       // borrowed, never closed here
        uint32_t address = 0;  // network byte order; the only source heard
        uint16_t port = 0;     // host byte order; follows the party's datagrams
        Display display;
        uint32_t codecHandler = 0;
        std::function<uint32_t()> clock;
    };

    static constexpr int kWaitMs = 120;

    explicit VideoPeer(Config config);
    // Stops the receive thread; see release() for the codec and recording.
    ~VideoPeer();
    VideoPeer(const VideoPeer&) = delete;
    VideoPeer& operator=(const VideoPeer&) = delete;

    // Starts the receive thread; false when it could not be started.
    bool start(const ThreadStarter& starter);
    // Returns once the receive thread has ended (within one wait and one
    // datagram).
    void stop();
    // Ends the recording and the decompressor; a codec fault is shown and
    // otherwise ignored. Only with the receive thread stopped.
    void release();

    uint32_t id() const { return config_.peerId; }

    // Sending side, under the sender's lock.
    void send(std::span<const uint8_t> datagram) const;
    bool sendMute() const { return sendMute_; }
    void setSendMute(bool mute) { sendMute_ = mute; }
    bool keyOnly() const { return keyOnly_; }
    void setKeyOnly(bool keyOnly) { keyOnly_ = keyOnly; }
    // Loss reports received since the last key frame; reset to 0.
    int takeLossReports() { return lossReports_.exchange(0); }
    int lossReports() const { return lossReports_.load(); }

    void setDisplay(const Display& display);
    AviVideoWriter& recorder() { return recorder_; }

    // Receive side: one datagram from `from`, or a wait that timed out.
    // Called by the receive thread (or, with it not started, by tests).
    void handleDatagram(std::span<const uint8_t> datagram, const sockaddr_in& from);
    void handleTimeout();

    uint32_t framesReceived() const { return framesReceived_.load(); }
    uint32_t framesLost() const { return framesLost_.load(); }
    unsigned decompressorOpens() const { return decoder_.opens(); }
    sockaddr_in address() const;

  private:
    void receiveLoop();
    void handleData(std::span<const uint8_t> datagram);
    void decodeFrame(std::span<const uint8_t> message);
    void decodeKeyFrame(std::span<const uint8_t> message);
    void decodeDeltaFrame(std::span<const uint8_t> message);
    void showPicture();
    void redraw();
    void sendReport(bool probe);

    const Config config_;
    PartyAddress address_;

    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool receivedAny_ = false;

    bool sendMute_ = false;
    bool keyOnly_ = false;
    std::atomic<int> lossReports_{0};

    uint16_t lastSequence_ = 0;
    std::atomic<uint32_t> framesReceived_{0};
    std::atomic<uint32_t> framesLost_{0};
    uint32_t lostSinceReport_ = 0;
    bool referenceValid_ = true;

    FrameAssembler assembler_;
    VideoDecoder decoder_;
    AviVideoWriter recorder_;

    mutable std::mutex displayMutex_;
    Display display_;
};

}  // namespace zemra::vid
