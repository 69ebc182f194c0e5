// The sound track of a recording: the mixed conversation, gathered into
// one-second chunks and written to an audio stream of an AVI file that the
// video engine opened. The recorder holds its own reference to the file
// until it stops, so the video engine closing its side (or opening another
// recording) first never pulls the file from under the playback thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/avi_file.h"

namespace zemra::snd {

class AudioRecorder {
  public:
    static constexpr size_t kBufferBytes = 16000;  // one second
    static constexpr const char* kStreamName = "meeting Speech";

    ~AudioRecorder() { stop(); }

    // Takes the file's first audio stream (continuing it) or creates one.
    bool start(std::shared_ptr<AviFile> file);
    // Writes what is gathered and lets go of the stream and the file; the
    // file is completed here if nobody else holds it.
    void stop();
    bool hasFile() const { return hasFile_; }
    // Gathers sound; a full buffer is written first. False when not
    // recording or when that write failed (the sound is then dropped).
    bool append(const uint8_t* data, size_t bytes, uint32_t samples);

  private:
    bool flushLocked();

    std::mutex mutex_;
    std::atomic<bool> hasFile_{false};
    std::shared_ptr<AviFile> file_;
    AviStream* stream_ = nullptr;
    std::vector<uint8_t> buffer_;
    size_t bufferedBytes_ = 0;
    uint32_t bufferedSamples_ = 0;
};

}  // namespace zemra::snd
