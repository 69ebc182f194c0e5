#include "server/registration_quota.h"

#include <algorithm>

namespace zemra::server {

bool RegistrationQuota::take(uint32_t address, Clock::time_point now) {
    if (perHour_ <= 0) return false;
    if (addresses_.size() >= sweepAt_) {
        std::erase_if(addresses_, [now](const auto& entry) {
            return now - entry.second.lastUse >= std::chrono::hours(1);
        });
        sweepAt_ = std::max<std::size_t>(4096, addresses_.size() * 2);
    }
    auto it = addresses_.find(address);
    if (it == addresses_.end()) {
        const double perSecond = perHour_ / 3600.0;
        it = addresses_.emplace(address, Entry{RateLimiter(perSecond, perHour_, now), now}).first;
    }
    it->second.lastUse = now;
    return it->second.bucket.take(now);
}

}  // namespace zemra::server
