// Records coded video frames into the video stream of an AVI file, for a
// party's received video or for the own sent video.
//
// Frames are placed by time. A new stream counts hundredths of a second
// (rate 100, scale 1) and a position without a frame of its own holds an
// empty chunk, which players and ffprobe read as "the picture stays": so
// every frame is kept (a coded video cannot skip one) and the video keeps
// real time at whatever rate the frames come, in step with the sound track
// of the same file. A frame within the hundredth of the one before goes to
// the next position. A file that already has a video stream is continued
// after its last position, in that stream's own time base.
//
// The file is shared (see AviFileHandles): the handle that open() returns
// lets the audio engine write the sound track into it, and the file is
// completed when the last of them lets go.
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
    static constexpr uint32_t kTicksPerSecond = 100;

    explicit AviVideoWriter(Clock clock);
    ~AviVideoWriter();

    // Opens the file for appending, or creates it; an earlier file is let go
    // first. A file that exists but cannot be continued (not an AVI file, or
    // one laid out in a way this writer cannot append to) is left untouched
    // and refused with a message box. The file's handle, or null.
    void* open(const std::filesystem::path& path);
    // Only a key frame starts the stream; failures leave the frame out.
    void write(const BitmapInfoHeader& format, std::span<const uint8_t> data, bool keyFrame);
    // Lets go of the file and withdraws its handle.
    void close();
    bool isOpen() const;

  private:
    void closeLocked();
    bool startStream(const BitmapInfoHeader& format, uint32_t now);
    uint32_t millisecondsOf(uint32_t positions) const;

    Clock clock_;
    mutable std::mutex mutex_;
    std::shared_ptr<AviFile> file_;
    void* handle_ = nullptr;
    AviStream* stream_ = nullptr;
    uint32_t startMs_ = 0;
    // The stream's time base: `rate_` positions take `scale_` seconds.
    uint32_t rate_ = kTicksPerSecond;
    uint32_t scale_ = 1;
};

}  // namespace zemra::vid
