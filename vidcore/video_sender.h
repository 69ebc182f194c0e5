// The sending half of the engine and the owner of the parties: it codes
// the pictures the capture offers (at most at the send rate, a key frame
// every 15 frames), cuts each frame message into datagrams for every party,
// and records the own video. One lock guards the parties, the sending state
// and the own recording, and is held through the coding and sending of a
// frame.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "vidcore/avi_video_writer.h"
#include "vidcore/send_rate.h"
#include "vidcore/video_compressor.h"
#include "vidcore/video_peer.h"

namespace zemra::vid {

class VideoSender {
  public:
    static constexpr size_t kPeerSlots = 16;
    static constexpr uint32_t kKeyFrameCycle = 15;

    struct Options {
        uint32_t codecHandler = 0;
        std::function<uint32_t()> clock;
        // Pauses between fragments; tests of pacing-free logic may shorten them.
        bool pace = true;
    };

    // `startThread` starts the parties' receive threads.
    VideoSender(SendRate& rate, Options options,
                ThreadStarter startThread = defaultThreadStarter());
    // Removes every party and stops sending, showing codec faults as at unload.
    ~VideoSender();

    // The capture back-end that runs sets the format of its pictures, and
    // clears it when it stops.
    void setCaptureFormat(std::optional<BitmapInfoHeader> format);

    void start(uint32_t ownId);  // Set03 / Set13
    void stop();                 // Set04 / Set14
    bool isSending() const;

    // 1: sent, skipped or not sending; 0: the picture failed to code.
    int offer(const uint8_t* picture, size_t length);

    // False, and nothing kept, when the party cannot be added or its
    // receive thread cannot be started.
    bool addPeer(const VideoPeer::Config& config);                               // Set18
    bool removePeer(uint32_t peerId);                                            // Set19
    void removeAllPeers();                                                       // Set20
    void resumePeer(uint32_t peerId);                                            // Set07
    void mutePeer(uint32_t peerId);                                              // Set09
    void setPeerDisplay(uint32_t peerId, const Display& display);                // Set08
    bool openPeerRecording(const std::filesystem::path& path, uint32_t peerId);  // OpenAvi
    void closePeerRecording(uint32_t peerId);                                    // CloseAvi
    void* openOwnRecording(const std::filesystem::path& path);                   // OpenAviSelf
    void closeOwnRecording();                                                    // CloseAviSelf

    // Transport of one frame message, as the coding path uses it.
    void sendKeyFrame(std::span<const uint8_t> message);
    void sendDeltaFrame(std::span<const uint8_t> message);

    // For tests: run `f` on a party under the lock; false if there is none.
    bool withPeer(uint32_t peerId, const std::function<void(VideoPeer&)>& f);
    uint32_t frameCounter() const;
    uint16_t sequence() const;

  private:
    VideoPeer* findLocked(uint32_t peerId);
    void removeLocked(size_t slot);
    void stopLocked(const char* faultText);
    bool beginSequenceLocked();
    std::optional<VideoCompressor::Coded> codeLocked(const uint8_t* picture, size_t length);
    bool sendKeyFrameLocked(std::span<const uint8_t> message);
    bool fragmentLocked(std::span<const uint8_t> message);

    SendRate& rate_;
    Options options_;
    const ThreadStarter startThread_;
    mutable std::mutex mutex_;

    uint32_t ownId_ = 0;
    uint16_t sequence_ = 0;
    uint32_t timeStamp_ = 0;
    uint32_t frameCounter_ = 0;
    bool sending_ = false;
    std::optional<BitmapInfoHeader> captureFormat_;
    VideoCompressor compressor_;
    AviVideoWriter ownRecorder_;
    std::array<std::unique_ptr<VideoPeer>, kPeerSlots> peers_;
};

}  // namespace zemra::vid
