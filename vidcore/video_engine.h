// The video engine's objects, built together: the send rate, the sender
// with its parties, and the two capture back-ends. The library's exports
// drive one of these; tests build their own.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/capture.h"
#include "vidcore/graph_capture.h"
#include "vidcore/send_rate.h"
#include "vidcore/video_sender.h"
#include "vidcore/window_capture.h"

namespace zemra::vid {

// The codec every engine codes with: type "vidc", handler "div4".
inline constexpr uint32_t kCodecHandler = makeFourCc('d', 'i', 'v', '4');

class VideoEngine {
  public:
    struct Options {
        // Installed for "VIDC"/"div4" when its folder can be read.
        std::filesystem::path codecDriver;
        uint32_t codecHandler = kCodecHandler;
        CameraProvider* cameras = nullptr;  // null: the system's
        std::function<uint32_t()> clock;    // null: the process clock
        bool pace = true;
    };

    explicit VideoEngine(Options options);
    // Stops both captures, removes every party and stops sending.
    ~VideoEngine();

    SendRate& rate() { return rate_; }
    VideoSender& sender() { return sender_; }
    GraphCapture& graph() { return graph_; }
    WindowCapture& window() { return window_; }

  private:
    static VideoSender::Options senderOptions(const Options& options);

    SendRate rate_;
    VideoSender sender_;
    GraphCapture graph_;
    WindowCapture window_;
};

}  // namespace zemra::vid
