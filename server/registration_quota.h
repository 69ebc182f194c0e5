// Registrations per address, across connections: `perHour` at once, then
// one more every 3600 / perHour seconds. An address that has not
// registered for an hour is forgotten (its quota is whole again anyway).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "server/rate_limiter.h"

namespace zemra::server {

class RegistrationQuota {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RegistrationQuota(int perHour) : perHour_(perHour) {}

    // False when the address has used up its quota.
    bool take(uint32_t address, Clock::time_point now);
    std::size_t trackedAddresses() const { return addresses_.size(); }

  private:
    struct Entry {
        RateLimiter bucket;
        Clock::time_point lastUse;
    };

    int perHour_;
    std::unordered_map<uint32_t, Entry> addresses_;
    std::size_t sweepAt_ = 4096;
};

}  // namespace zemra::server
