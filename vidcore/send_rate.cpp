#include "vidcore/send_rate.h"

namespace zemra::vid {

bool SendRate::admit(uint32_t nowMs) {
    const uint32_t fps = framesPerSecond();
    if (fps == 0) return false;
    // The clock wraps; a step backwards restarts the measure.
    const int32_t elapsed = static_cast<int32_t>(nowMs - lastMs_);
    if (elapsed < 0) {
        lastMs_ = nowMs;
        return false;
    }
    if (static_cast<uint32_t>(elapsed) <= 1000 / fps) return false;
    lastMs_ = nowMs;
    return true;
}

}  // namespace zemra::vid
