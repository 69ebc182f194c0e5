// The quick-reply and automatic-reply lists: "quickreply.txt" and
// "autoreply.txt" in the user's folder, one GBK entry per line.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zemra::store {

inline constexpr const char* kQuickReplyFileName = "quickreply.txt";
inline constexpr const char* kAutoReplyFileName = "autoreply.txt";

// Longest entry a line yields; a longer line becomes several entries.
inline constexpr std::size_t kReplyPieceBytes = 127;

// The entries of `path` in file order; empty when the file is missing. Lines
// are read through a 128-byte buffer: a line of 127 bytes or more gives
// pieces of at most 127 bytes, each an entry (a line of exactly 127 bytes is
// followed by an empty entry), and a blank line gives an empty entry. Windows
// line ends ("\r\n") count as "\n".
std::vector<std::string> LoadReplies(const std::filesystem::path& path);

// Replaces `path` with the entries, each followed by "\n". False on failure.
bool SaveReplies(const std::filesystem::path& path, const std::vector<std::string>& entries);

// The lists a new user starts with (GBK).
std::vector<std::string> defaultQuickReplies();
std::vector<std::string> defaultAutoReplies();

// Writes both default lists into `userDir`. False if either could not be written.
bool writeDefaultReplies(const std::filesystem::path& userDir);

// A menu item's text: an entry longer than 20 bytes becomes its first 20
// bytes and "...". The cut never splits a double-byte character, so such an
// entry shows 19 bytes when byte 20 would start one.
std::string shortenMenuText(std::string_view gbk);

}  // namespace zemra::store
