// The speech codec as its users see it. The codec library keeps its state
// in globals, so every user (the microphone channel, each party) loads an
// instance of its own: one of sixteen copies of the library, the
// lowest-numbered one not taken yet.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/library.h"
#include "sndcore/audio_packet.h"
#include "sndcore/sound_format.h"

namespace zemra::snd {

// The sixteen library names and which of them are taken, for one engine.
class CodecNameTable {
  public:
    static constexpr size_t kNames = 16;
    static const std::array<const char*, kNames> kFileNames;

    // The copies are looked up in `directory` (the engine's own).
    explicit CodecNameTable(std::filesystem::path directory) : directory_(std::move(directory)) {}

    const std::filesystem::path& directory() const { return directory_; }
    bool isFree(size_t index) const;

  private:
    friend class SpeechCodecSlot;
    const std::filesystem::path directory_;
    mutable std::mutex mutex_;
    std::array<bool, kNames> taken_{};
};

class SpeechCodecSlot {
  public:
    using InitFunction = void (*)();
    using EncodeFunction = void (*)(const int16_t* samples, uint8_t* coded);
    using DecodeFunction = void (*)(const uint8_t* coded, int16_t* samples, int erased);

    // Loads the lowest free name. A missing library, or one without its
    // entry points, is reported in a message box and leaves the slot empty;
    // with all names taken the slot stays empty silently.
    explicit SpeechCodecSlot(CodecNameTable& names);
    ~SpeechCodecSlot();
    SpeechCodecSlot(const SpeechCodecSlot&) = delete;
    SpeechCodecSlot& operator=(const SpeechCodecSlot&) = delete;

    // -1 without a codec.
    int nameIndex() const { return index_; }
    bool loaded() const { return index_ >= 0; }

    // 40 ms of sound (640 bytes) into four frames; nothing for any other
    // length or without a codec.
    std::optional<std::array<uint8_t, kAudioPayloadBytes>> encode(const uint8_t* pcm,
                                                                  size_t bytes) const;
    // Four frames (40 bytes) into 640 bytes of sound; nothing otherwise.
    std::optional<std::array<uint8_t, kBufferBytes>> decode(const uint8_t* payload,
                                                            size_t bytes) const;

  private:
    CodecNameTable& names_;
    std::unique_ptr<Library> library_;
    EncodeFunction encode_ = nullptr;
    DecodeFunction decode_ = nullptr;
    int index_ = -1;
};

}  // namespace zemra::snd
