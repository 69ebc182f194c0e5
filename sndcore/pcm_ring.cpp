#include "pcm_ring.h"

#include <algorithm>
#include <cstring>

namespace zemra::snd {

void PcmRing::write(const uint8_t* data, size_t n) {
    if (n == 0) return;
    if (n > kCapacity) {
        data += n - kCapacity;
        n = kCapacity;
    }
    std::lock_guard lock(mutex_);
    if (count_ + n > kCapacity) {
        readPos_ = (readPos_ + count_ + n - kCapacity) % kCapacity;
        count_ = kCapacity - n;
    }
    const size_t at = (readPos_ + count_) % kCapacity;
    const size_t first = std::min(n, kCapacity - at);
    std::memcpy(data_.data() + at, data, first);
    std::memcpy(data_.data(), data + first, n - first);
    count_ += n;
}

size_t PcmRing::read(uint8_t* dest, size_t n) {
    std::lock_guard lock(mutex_);
    if (n == 0 || count_ == 0) return 0;
    const size_t take = std::min(n, count_);
    std::memset(dest + take, 0, n - take);
    const size_t first = std::min(take, kCapacity - readPos_);
    std::memcpy(dest, data_.data() + readPos_, first);
    std::memcpy(dest + first, data_.data(), take - first);
    readPos_ = (readPos_ + take) % kCapacity;
    count_ -= take;
    return n;
}

size_t PcmRing::count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void PcmRing::clear() {
    std::lock_guard lock(mutex_);
    count_ = 0;
    readPos_ = 0;
}

}  // namespace zemra::snd
