// Small text rules shared by the core's files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemra::client {

// The caption of the client's message boxes.
inline constexpr const char* kCaption = "zemra";
// A password is at most this many bytes once its blanks are trimmed.
inline constexpr std::size_t kPasswordLength = 10;

// `s` without blanks (space, tab, line breaks) at either end.
inline std::string trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace zemra::client
