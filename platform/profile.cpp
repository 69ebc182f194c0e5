#include "profile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/text.h"

namespace zemra::profile {
namespace fs = std::filesystem;
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// One line of the file as it was read, with what it means.
struct Line {
    enum class Kind { Other, Section, Entry };
    std::string raw;
    Kind kind = Kind::Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // entry value, trimmed and unquoted
};

Line classify(std::string raw) {
    Line line;
    const std::string_view t = trim(raw);
    if (!t.empty() && t.front() == '[') {
        const auto close = t.find(']');
        line.kind = Line::Kind::Section;
        line.name =
            std::string(trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
    } else if (!t.empty() && t.front() != ';') {
        const auto eq = t.find('=');
        if (eq != std::string_view::npos) {
            line.kind = Line::Kind::Entry;
            line.name = std::string(trim(t.substr(0, eq)));
            std::string_view value = trim(t.substr(eq + 1));
            // A value wrapped in matching quotes is read without them.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            line.value = std::string(value);
        }
    }
    line.raw = std::move(raw);
    return line;
}

std::vector<Line> readLines(const fs::path& file) {
    std::vector<Line> lines;
    std::ifstream in(file, std::ios::binary);
    if (!in) return lines;
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        lines.push_back(classify(std::move(raw)));
    }
    return lines;
}

bool writeLines(const fs::path& file, const std::vector<Line>& lines) {
    std::string text;
    for (const Line& line : lines) {
        text += line.raw;
        text += "\r\n";
    }
    // A crash or a failed write never leaves a half file where the settings were.
    return replaceFile(file, text);
}

// Index range [begin, end) of the lines belonging to each section named `section`.
std::vector<std::pair<std::size_t, std::size_t>> sectionRanges(const std::vector<Line>& lines,
                                                               std::string_view section) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::Kind::Section || !equalsNoCase(lines[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Line::Kind::Section) ++end;
        ranges.emplace_back(i, end);
    }
    return ranges;
}

std::optional<std::size_t> findEntry(const std::vector<Line>& lines, std::string_view section,
                                     std::string_view key) {
    for (const auto& [begin, end] : sectionRanges(lines, section)) {
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (lines[i].kind == Line::Kind::Entry && equalsNoCase(lines[i].name, key)) return i;
        }
    }
    return std::nullopt;
}

}  // namespace

fs::path resolveFileName(const fs::path& path) {
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = path.filename().string();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (equalsNoCase(it->path().filename().string(), wanted)) {
            return path.has_parent_path() ? dir / it->path().filename() : it->path().filename();
        }
    }
    return path;
}

std::optional<std::string> findString(const fs::path& file, std::string_view section,
                                      std::string_view key) {
    const std::vector<Line> lines = readLines(resolveFileName(file));
    const auto index = findEntry(lines, section, key);
    if (!index) return std::nullopt;
    return lines[*index].value;
}

std::string getString(const fs::path& file, std::string_view section, std::string_view key,
                      std::string_view fallback, std::size_t bufferSize) {
    std::string value(findString(file, section, key).value_or(std::string(fallback)));
    if (bufferSize == 0) return {};
    value.resize(text::gbkPrefixLength(value, bufferSize - 1));
    return value;
}

std::optional<int> parseLeadingInt(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long value = 0;
    bool any = false;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        any = true;
        // Saturate rather than overflow on absurd values.
        value = std::min<long long>(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (!any) return std::nullopt;
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int getInt(const fs::path& file, std::string_view section, std::string_view key, int fallback) {
    const auto value = findString(file, section, key);
    if (!value || value->empty()) return fallback;
    return parseLeadingInt(*value).value_or(0);
}

bool writeString(const fs::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    // A line break would end the entry early and start a bogus line.
    value = value.substr(0, value.find_first_of("\r\n"));
    const fs::path target = resolveFileName(file);
    std::vector<Line> lines = readLines(target);
    Line entry = classify(std::string(key) + "=" + std::string(value));
    if (const auto index = findEntry(lines, section, key)) {
        // Keep the key's spelling as the file had it.
        entry = classify(lines[*index].name + "=" + std::string(value));
        lines[*index] = std::move(entry);
        return writeLines(target, lines);
    }
    const auto ranges = sectionRanges(lines, section);
    if (ranges.empty()) {
        if (!lines.empty() && !trim(lines.back().raw).empty()) lines.push_back(classify(""));
        lines.push_back(classify("[" + std::string(section) + "]"));
        lines.push_back(std::move(entry));
        return writeLines(target, lines);
    }
    // After the last non-blank line of the first such section.
    auto [begin, end] = ranges.front();
    std::size_t insertAt = end;
    while (insertAt > begin + 1 && trim(lines[insertAt - 1].raw).empty()) --insertAt;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    return writeLines(target, lines);
}

bool writeInt(const fs::path& file, std::string_view section, std::string_view key, int value) {
    return writeString(file, section, key, std::to_string(value));
}

bool deleteKey(const fs::path& file, std::string_view section, std::string_view key) {
    const fs::path target = resolveFileName(file);
    std::vector<Line> lines = readLines(target);
    const auto index = findEntry(lines, section, key);
    if (!index) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*index));
    return writeLines(target, lines);
}

bool deleteSection(const fs::path& file, std::string_view section) {
    const fs::path target = resolveFileName(file);
    std::vector<Line> lines = readLines(target);
    auto ranges = sectionRanges(lines, section);
    if (ranges.empty()) return true;
    std::reverse(ranges.begin(), ranges.end());
    for (const auto& [begin, end] : ranges) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return writeLines(target, lines);
}

}  // namespace zemra::profile
