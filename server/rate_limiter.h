// A token bucket: `rate` events per second on average, bursts up to `burst`.
#pragma once

#include <algorithm>
#include <chrono>

namespace zemra::server {

class RateLimiter {
  public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(double rate, double burst, Clock::time_point now = Clock::now())
        : rate_(rate), burst_(burst), tokens_(burst), last_(now) {}

    // False when the event is one too many.
    bool take(Clock::time_point now = Clock::now()) {
        const std::chrono::duration<double> elapsed = now - last_;
        last_ = now;
        tokens_ = std::min(burst_, tokens_ + std::max(0.0, elapsed.count()) * rate_);
        if (tokens_ < 1.0) return false;
        tokens_ -= 1.0;
        return true;
    }

  private:
    double rate_;
    double burst_;
    double tokens_;
    Clock::time_point last_;
};

}  // namespace zemra::server
