#include "jitter_list.h"

#include <algorithm>

namespace zemra::snd {

std::optional<JitterPacket> JitterList::takeEarliest() {
    if (packets_.empty()) return std::nullopt;
    // min_element keeps the first of equal elements, which is the first queued.
    auto earliest =
        std::min_element(packets_.begin(), packets_.end(),
                         [](const auto& a, const auto& b) { return a.timestamp < b.timestamp; });
    JitterPacket packet = std::move(*earliest);
    packets_.erase(earliest);
    return packet;
}

}  // namespace zemra::snd
