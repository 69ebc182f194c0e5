// The send frame-rate limit: whatever the camera delivers, a picture is
// sent only when more than 1000 / rate milliseconds have passed since the
// last one sent.
#pragma once

#include <atomic>
#include <cstdint>

namespace zemra::vid {

class SendRate {
  public:
    static constexpr uint32_t kDefaultFramesPerSecond = 24;

    void setFramesPerSecond(uint32_t fps) { fps_.store(fps, std::memory_order_relaxed); }
    uint32_t framesPerSecond() const { return fps_.load(std::memory_order_relaxed); }

    // True when a picture offered at `nowMs` is due; it then counts as the
    // last one sent. Callers serialise (the sender's lock).
    bool admit(uint32_t nowMs);

  private:
    std::atomic<uint32_t> fps_{kDefaultFramesPerSecond};
    uint32_t lastMs_ = 0;
};

}  // namespace zemra::vid
