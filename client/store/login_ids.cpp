#include "login_ids.h"

#include <fstream>
#include <string>

#include "platform/file_replacement.h"

namespace zemra::store {

uint32_t parseLoginIdLine(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && (line[pos] == ' ' || (line[pos] >= '\t' && line[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) {
        negative = line[pos] == '-';
        ++pos;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
        value = value * 10 + static_cast<uint64_t>(line[pos] - '0');
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;
        }
    }
    if (overflow) return UINT32_MAX;
    const auto result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

std::vector<uint32_t> LoadLoginIds(const std::filesystem::path& configDir) {
    std::vector<uint32_t> ids;
    // Whole lines: a 10-digit ID must not leave its line break behind as an
    // extra, empty entry (which then read as user 0).
    std::ifstream in(configDir / kLoginIdsFileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) ids.push_back(parseLoginIdLine(line));
    return ids;
}

bool RememberLoginId(const std::filesystem::path& configDir, uint32_t id) {
    const std::vector<uint32_t> old = LoadLoginIds(configDir);
    std::vector<uint32_t> ids;
    ids.reserve(old.size() + 1);
    for (uint32_t entry : old) {
        if (entry == id) ids.push_back(id);
    }
    if (ids.empty()) ids.push_back(id);
    for (uint32_t entry : old) {
        if (entry != id) ids.push_back(entry);
    }

    std::string text;
    for (uint32_t entry : ids) {
        text += std::to_string(entry);
        text += '\n';
    }
    // Never truncated in place: a crash then would forget every login.
    return replaceFile(configDir / kLoginIdsFileName, text);
}

}  // namespace zemra::store
