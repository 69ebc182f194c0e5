// GBK <-> UTF-8 conversion and fixed-field text handling.
//
// Everything that zemra stores or puts on the wire is GBK; the Qt user
// interface works in Unicode. This is the one place where the two meet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zemra::text {

// Strict conversions: nullopt when the input is not valid in its encoding or
// has a character the other side cannot represent.
std::optional<std::string> utf8ToGbk(std::string_view utf8);
std::optional<std::string> gbkToUtf8(std::string_view gbk);

// Lossy conversions for display and for building packets from user input:
// a character that cannot be converted becomes '?' (to GBK) or U+FFFD (to UTF-8).
std::string toGbk(std::string_view utf8);
std::string toUtf8(std::string_view gbk);

// True for a GBK lead byte, which starts a two-byte character.
inline bool isGbkLeadByte(uint8_t byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Length of the longest prefix of `gbk` that is at most `maxBytes` long and
// does not end in the middle of a double-byte character.
std::size_t gbkPrefixLength(std::string_view gbk, std::size_t maxBytes);

// `gbk` cut to at most `maxBytes` without splitting a double-byte character.
std::string_view gbkPrefix(std::string_view gbk, std::size_t maxBytes);

// Copies `gbk` into a fixed NUL-terminated field. The text is cut on a
// character boundary so that it and its NUL fit; the rest of the field is
// zero-filled. Returns the number of text bytes copied. An empty field
// takes nothing.
std::size_t copyToField(std::span<uint8_t> field, std::string_view gbk);

// The text held in a fixed field: up to the first NUL or the end of the field.
std::string_view fieldText(std::span<const uint8_t> field);

}  // namespace zemra::text
