// Local-time texts used in stored file names and records.
#pragma once

#include <ctime>
#include <string>

namespace zemra::store {

// Snapshot names and trace start lines: "2003_10_15_09_05_07".
inline constexpr const char* kStampFormat = "%Y_%m_%d_%H_%M_%S";

// `when` broken down in the local time zone.
std::tm localTime(std::time_t when);

// strftime into a string; an empty result for a format that yields nothing.
std::string formatTime(const std::tm& when, const char* format);

}  // namespace zemra::store
