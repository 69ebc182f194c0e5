// The 50 emoticon codes typed in chat text ("/:)", "/<OK>", ...) and the
// rules that turn them into pictures and back. Every code is ASCII, so the
// byte-wise matching works the same on GBK and UTF-8 text.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zemra::client {

inline constexpr int kEmoticonCount = 50;

// The 50 codes in table order; a code's index is its picture's index. Empty
// for an index outside the table.
std::string_view emoticonCode(int index);

// The index of the first table entry that matches completely at text[pos]
// (text[pos] must be '/'), else -1.
int emoticonAt(std::string_view text, std::size_t pos);

// A text cut into plain runs and emoticons, in order: a piece is either text
// (emoticon == -1) or one emoticon (text empty).
struct TextPiece {
    std::string text;
    int emoticon = -1;
    bool operator==(const TextPiece&) const = default;
};
std::vector<TextPiece> splitEmoticons(std::string_view text);

// Typed-code replacement: `line` is the caret's line, `caret` the caret
// position in it (characters). Scans back from caret-2 (inclusive) for '/',
// stopping without effect at a space or the line start; when the code at that
// '/' matches and ends exactly at the caret, returns where it starts, its
// length and its index.
struct TypedCode {
    int start = 0;
    int length = 0;
    int index = -1;
};
std::optional<TypedCode> typedCodeBefore(const QString& line, int caret);

}  // namespace zemra::client
