// RIFF WAVE files of PCM sound: read by the virtual microphone, written by
// the virtual speaker, and used by tests to make and check sound.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/wave_format.h"

namespace zemra {

class WavReader {
  public:
    // Null with a reason in `error` when the file is missing, not RIFF WAVE,
    // or has no format or data chunk.
    static std::unique_ptr<WavReader> open(const std::filesystem::path& path,
                                           std::string* error = nullptr);
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    const WaveFormat& format() const { return format_; }
    uint64_t dataBytes() const { return dataBytes_; }

    // Copies up to out.size() bytes of sound; fewer (0 at the end) when the data runs out.
    size_t read(std::span<uint8_t> out);

  private:
    WavReader(std::FILE* file, WaveFormat format, uint64_t dataBytes)
        : file_(file), format_(format), dataBytes_(dataBytes) {}
    std::FILE* file_;
    WaveFormat format_;
    uint64_t dataBytes_;
    uint64_t readBytes_ = 0;
};

class WavWriter {
  public:
    static std::unique_ptr<WavWriter> create(const std::filesystem::path& path,
                                             const WaveFormat& format,
                                             std::string* error = nullptr);
    // Closes, completing the header.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool write(std::span<const uint8_t> bytes);
    // Brings the sizes in the header up to date, so that the file reads
    // correctly even while it is still being written.
    bool flush();
    uint64_t dataBytes() const { return dataBytes_; }

  private:
    WavWriter(std::FILE* file) : file_(file) {}
    std::FILE* file_;
    uint64_t dataBytes_ = 0;
};

// Whole-file helpers for 16-bit PCM.
std::optional<std::vector<int16_t>> readWavSamples(const std::filesystem::path& path,
                                                   WaveFormat* format = nullptr);
bool writeWavSamples(const std::filesystem::path& path, const WaveFormat& format,
                     std::span<const int16_t> samples);

}  // namespace zemra
