// The 18-byte wave format record (PCM description plus an extra-bytes count)
// that wave devices are opened with and that WAV files and AVI audio streams
// store. Kept as plain fields and (de)serialised explicitly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zemra {

struct WaveFormat {
    static constexpr uint32_t kSize = 18;
    static constexpr uint16_t kPcm = 1;

    uint16_t formatTag = kPcm;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 16000;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    uint16_t extraSize = 0;

    // PCM of the given shape with the derived rate and alignment filled in.
    static WaveFormat pcm(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample);

    // Writes kSize bytes; `out` must hold at least that many.
    void writeTo(std::span<uint8_t> out) const;
    // Reads the 16-byte PCM record or the 18-byte one; nullopt when shorter than 16.
    static std::optional<WaveFormat> readFrom(std::span<const uint8_t> in);

    bool isPcm16() const {
        return formatTag == kPcm && bitsPerSample == 16 && channels > 0 &&
               blockAlign == channels * 2 && samplesPerSec > 0;
    }

    bool operator==(const WaveFormat&) const = default;
};

}  // namespace zemra
