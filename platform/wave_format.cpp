#include "wave_format.h"

#include "platform/byte_order.h"

namespace zemra {

WaveFormat WaveFormat::pcm(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample) {
    WaveFormat f;
    f.channels = channels;
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = bitsPerSample;
    f.blockAlign = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    f.avgBytesPerSec = samplesPerSec * f.blockAlign;
    return f;
}

void WaveFormat::writeTo(std::span<uint8_t> out) const {
    uint8_t* p = out.data();
    putLe16(p + 0, formatTag);
    putLe16(p + 2, channels);
    putLe32(p + 4, samplesPerSec);
    putLe32(p + 8, avgBytesPerSec);
    putLe16(p + 12, blockAlign);
    putLe16(p + 14, bitsPerSample);
    putLe16(p + 16, extraSize);
}

std::optional<WaveFormat> WaveFormat::readFrom(std::span<const uint8_t> in) {
    if (in.size() < 16) return std::nullopt;
    const uint8_t* p = in.data();
    WaveFormat f;
    f.formatTag = getLe16(p + 0);
    f.channels = getLe16(p + 2);
    f.samplesPerSec = getLe32(p + 4);
    f.avgBytesPerSec = getLe32(p + 8);
    f.blockAlign = getLe16(p + 12);
    f.bitsPerSample = getLe16(p + 14);
    f.extraSize = in.size() >= kSize ? getLe16(p + 16) : 0;
    return f;
}

}  // namespace zemra
