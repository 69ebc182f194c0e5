#include "time_text.h"

#include <array>

namespace zemra::store {

std::tm localTime(std::time_t when) {
    std::tm result{};
    localtime_r(&when, &result);
    return result;
}

std::string formatTime(const std::tm& when, const char* format) {
    std::array<char, 128> buffer{};
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format, &when);
    return std::string(buffer.data(), length);
}

}  // namespace zemra::store
