// Automatic gain of the microphone: raises the level by a step every
// buffer until the first sample has to be limited, then only lowers it,
// one step per limited sample. A buffer that arrives already clipped
// switches it off until capture starts again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemra::snd {

class AutoGain {
  public:
    static constexpr int16_t kLimit = 32700;

    void reset() { *this = AutoGain(); }
    void process(int16_t* samples, size_t n);

    float gain() const { return gain_; }
    bool enabled() const { return enabled_; }
    bool raising() const { return raising_; }

  private:
    float gain_ = 1.0f;
    bool enabled_ = true;
    float step_ = 0.05f;
    bool raising_ = true;
};

}  // namespace zemra::snd
