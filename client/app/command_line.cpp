#include "command_line.h"

#include <charconv>

namespace zemra::client {

std::optional<LoginChoice> parseCommandLine(std::string_view line) {
    constexpr std::string_view kId = "-id:";
    constexpr std::string_view kPassword = "-pw:";
    if (!line.starts_with(kId)) return std::nullopt;
    line.remove_prefix(kId.size());
    const auto passwordAt = line.find(kPassword);
    std::string_view number = line.substr(0, passwordAt);
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    LoginChoice choice;
    // Digits up to the first other character, as a decimal reader takes them.
    std::from_chars(number.data(), number.data() + number.size(), choice.userId);
    if (passwordAt != std::string_view::npos) {
        choice.password = std::string(line.substr(passwordAt + kPassword.size()));
    }
    return choice;
}

}  // namespace zemra::client
