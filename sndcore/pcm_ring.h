// A byte ring of 16-bit PCM holding the newest 400 ms: a party's decoded
// sound waiting for the mixer, or the microphone waiting for the recorder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace zemra::snd {

class PcmRing {
  public:
    static constexpr size_t kCapacity = 6400;

    // Appends n bytes; when they do not fit, the oldest bytes make room.
    // Of more than the capacity only the newest kCapacity bytes are kept.
    void write(const uint8_t* data, size_t n);
    // Moves the oldest min(n, held) bytes to `dest` and zero-fills the rest
    // of its n bytes; returns n. An empty ring (or n = 0) leaves `dest`
    // untouched and returns 0.
    size_t read(uint8_t* dest, size_t n);
    size_t count() const;
    void clear();

  private:
    mutable std::mutex mutex_;
    std::array<uint8_t, kCapacity> data_{};
    size_t count_ = 0;
    size_t readPos_ = 0;
};

}  // namespace zemra::snd
