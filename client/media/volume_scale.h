// Volume sliders run from 0 to 100; mixer controls from their own minimum
// to maximum. A slider shows value × 100 / (maximum − minimum).
#pragma once

#include <algorithm>
#include <cstdint>

namespace zemra::client {

inline int sliderPosition(int32_t value, int32_t minimum, int32_t maximum) {
    const int64_t range = int64_t(maximum) - minimum;
    if (range <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(int64_t(value) * 100 / range, 0, 100));
}

inline int32_t volumeAtPosition(int position, int32_t minimum, int32_t maximum) {
    const int64_t range = int64_t(maximum) - minimum;
    if (range <= 0) return minimum;
    return static_cast<int32_t>(minimum + range * std::clamp(position, 0, 100) / 100);
}

}  // namespace zemra::client
