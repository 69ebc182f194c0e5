#include "xferlink/send_pacer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace zemra::xferlink {

SendPacer::SendPacer(uint64_t bytesPerSecond)
    : rate_(bytesPerSecond), start_(std::chrono::steady_clock::now()) {}

uint64_t SendPacer::rateFromEnvironment() {
    return parseRate(std::getenv("ZEMRA_XFER_RATE"));
}

uint64_t SendPacer::parseRate(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9') return 0;
    char* end = nullptr;
    errno = 0;
    const unsigned long long rate = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0') return 0;
    return rate;
}

void SendPacer::waitUntilDue(uint64_t done, const std::function<bool()>& stop) const {
    if (rate_ == 0) return;
    using namespace std::chrono;
    // Microseconds since the start at which `done` bytes are due; long
    // double keeps a 4 GB file at a low rate from overflowing.
    const auto dueAt =
        start_ + microseconds(static_cast<int64_t>(static_cast<long double>(done) * 1e6L / rate_));
    constexpr auto kStep = milliseconds(100);
    for (auto now = steady_clock::now(); now < dueAt; now = steady_clock::now()) {
        if (stop()) return;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(dueAt - now, kStep));
    }
}

}  // namespace zemra::xferlink
