#include "server/server_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace zemra::server {
namespace {

bool enabled = true;

}  // namespace

void setLogEnabled(bool on) {
    enabled = on;
}

void logLine(std::string_view line) {
    if (!enabled) return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::printf("%s.%03d %.*s\n", stamp, static_cast<int>(millis), static_cast<int>(line.size()),
                line.data());
    std::fflush(stdout);
}

}  // namespace zemra::server
