#include "sound_format.h"

#include "platform/byte_order.h"

namespace zemra::snd {

uint32_t meanAbsoluteLevel(const uint8_t* pcm, size_t bytes) {
    const size_t n = bytes / 2;
    if (n == 0) return 0;
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const int32_t s = static_cast<int16_t>(getLe16(pcm + 2 * i));
        sum += static_cast<uint32_t>(s < 0 ? -s : s);
    }
    return static_cast<uint32_t>(sum / n);
}

}  // namespace zemra::snd
