#include "online_animation.h"

namespace zemra::client {

bool OnlineAnimation::tick() {
    for (auto it = counters_.begin(); it != counters_.end();) {
        if (--it->second < 0) {
            it = counters_.erase(it);
        } else {
            ++it;
        }
    }
    return active();
}

std::optional<uint32_t> OnlineAnimation::colourOf(uint32_t contactId) const {
    const auto it = counters_.find(contactId);
    if (it == counters_.end()) return std::nullopt;
    return kColours[it->second % 5];
}

}  // namespace zemra::client
