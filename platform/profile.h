// Private-profile ("ini") files with the semantics Windows programs expect:
// file, section and key names compare without case, values are trimmed, an
// integer is read up to its first non-digit, and writing a key keeps every
// other section, key, comment and the order of the file.
//
// Each call reads (and, for writes, replaces) the whole file; the files are
// a few hundred bytes and are touched at start-up and exit only. A write
// never leaves a half file, even after a crash (see file_replacement.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zemra::profile {

// The file that `path` names, matched without case against the names in its
// folder: "ZEMRA.ini" finds an existing "zemra.ini". Without a match, `path` itself.
std::filesystem::path resolveFileName(const std::filesystem::path& path);

// The value of `key` in `section`, or nullopt when the file, section or key is missing.
std::optional<std::string> findString(const std::filesystem::path& file, std::string_view section,
                                      std::string_view key);

// The value, or `fallback` when absent. `bufferSize` mimics the caller's
// fixed buffer: the value is cut (on a character boundary) to bufferSize - 1 bytes.
std::string getString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view fallback,
                      std::size_t bufferSize = 260);

// Integer reading as the platform does it: optional blanks and sign, then
// decimal digits up to the first other character ("12ab" is 12, "ab" is 0);
// a missing key or an empty value gives `fallback`.
int getInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int fallback);

// Sets `key` in `section`, creating the file, the section (at the end) or the
// key (after the section's last entry) as needed. False if the file cannot be written.
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);
bool writeInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
              int value);

// Removes one key, or a whole section with its keys.
bool deleteKey(const std::filesystem::path& file, std::string_view section, std::string_view key);
bool deleteSection(const std::filesystem::path& file, std::string_view section);

// The integer reader on its own, for other text sources that follow the same rule.
std::optional<int> parseLeadingInt(std::string_view text);

}  // namespace zemra::profile
