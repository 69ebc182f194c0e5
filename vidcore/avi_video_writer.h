// Records coded video frames into the video stream of an AVI file, for a
// party's received video or for the own sent video. Frames are placed by
// time at 15 per second from the start of the recording; a file that already
// has a video stream is continued after its last frame.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "platform/avi_file.h"
#include "platform/bitmap_info_header.h"

namespace zemra::vid {

class AviVideoWriter {
  public:
    using Clock = std::function<uint32_t()>;
    static constexpr uint32_t kFramesPerSecond = 15;

    explicit AviVideoWriter(Clock clock);
    ~AviVideoWriter();

    // Opens the file for appending, or creates it; an earlier file is
    // closed first. The file (shared with the audio engine for the own
    // recording), or null.
    AviFile* open(const std::filesystem::path& path);
    // Only a key frame starts the stream; failures leave the frame out.
    void write(const BitmapInfoHeader& format, std::span<const uint8_t> data, bool keyFrame);
    void close();
    bool isOpen() const;

  private:
    bool startStream(const BitmapInfoHeader& format, uint32_t now);

    Clock clock_;
    mutable std::mutex mutex_;
    std::unique_ptr<AviFile> file_;
    AviStream* stream_ = nullptr;
    uint32_t startMs_ = 0;
};

}  // namespace zemra::vid
