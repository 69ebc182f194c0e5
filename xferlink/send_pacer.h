// Holds a sender to a byte rate, for links that must not be flooded and for
// tests that need a transfer slow enough to watch. Rate 0 means no limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace zemra::xferlink {

class SendPacer {
  public:
    explicit SendPacer(uint64_t bytesPerSecond);

    // The rate set in ZEMRA_XFER_RATE (bytes per second); 0 when it is unset
    // or not a plain positive number.
    static uint64_t rateFromEnvironment();
    // Parses such a setting.
    static uint64_t parseRate(const char* text);

    // Waits until `done` bytes are due since the pacer was made. Returns
    // early, within a tenth of a second, once `stop` answers true.
    void waitUntilDue(uint64_t done, const std::function<bool()>& stop) const;

  private:
    uint64_t rate_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace zemra::xferlink
