#include "auto_gain.h"

namespace zemra::snd {

void AutoGain::process(int16_t* samples, size_t n) {
    if (!enabled_) return;
    for (size_t i = 0; i < n; ++i) {
        if (samples[i] > kLimit || samples[i] < -kLimit) {
            enabled_ = false;
            return;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const float x = static_cast<float>(samples[i]) * gain_;
        if (x > kLimit) {
            samples[i] = kLimit;
            raising_ = false;
            gain_ -= step_;
        } else if (x < -kLimit) {
            samples[i] = -kLimit;
            raising_ = false;
            gain_ -= step_;
        } else {
            samples[i] = static_cast<int16_t>(x);
        }
    }
    if (raising_) gain_ += step_;
}

}  // namespace zemra::snd
