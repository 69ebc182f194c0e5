#include "platform/process_clock.h"

#include <chrono>

namespace zemra {
namespace {
const auto kStart = std::chrono::steady_clock::now();
}  // namespace

uint32_t processClockMs() {
    const auto elapsed = std::chrono::steady_clock::now() - kStart;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace zemra
