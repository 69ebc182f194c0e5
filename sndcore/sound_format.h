// The one sound format the engine uses everywhere, and its buffer sizes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"

namespace zemra::snd {

// PCM travels as host-order 16-bit samples between the devices, the codec and the mixer.
static_assert(std::endian::native == std::endian::little, "PCM buffers are little-endian");

constexpr uint32_t kSampleRate = 8000;
constexpr size_t kBufferSamples = 320;  // 40 ms
constexpr size_t kBufferBytes = kBufferSamples * 2;
constexpr size_t kBufferCount = 3;
constexpr uint32_t kBufferMilliseconds = 40;
constexpr uint32_t kWmAudioLevel = 1524;

inline WaveFormat engineFormat() {
    return WaveFormat::pcm(kSampleRate, 1, 16);
}

// Mean absolute sample value of 16-bit PCM (0 to 32768); 0 for less than one sample.
uint32_t meanAbsoluteLevel(const uint8_t* pcm, size_t bytes);

}  // namespace zemra::snd
