// "zemra.cfg": the user IDs that have logged in on this machine, most recent
// first, one decimal number per line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace zemra::store {

inline constexpr const char* kLoginIdsFileName = "zemra.cfg";

// The IDs of `configDir`/zemra.cfg in file order; empty when the file is missing.
// Each whole line is one entry; a line that is not a number (a blank one too)
// reads as 0, as it always has.
std::vector<uint32_t> LoadLoginIds(const std::filesystem::path& configDir);

// Rewrites the file with `id` first: every line equal to `id` moves to the
// front (duplicates are kept), or `id` is added in front if it was not there.
// False when the file cannot be written.
bool RememberLoginId(const std::filesystem::path& configDir, uint32_t id);

// One line's value: optional blanks and sign, decimal digits up to the first
// other character, clamped to 32 bits the way strtoul did on the old 32-bit
// systems; 0 when there are no digits.
uint32_t parseLoginIdLine(std::string_view line);

}  // namespace zemra::store
