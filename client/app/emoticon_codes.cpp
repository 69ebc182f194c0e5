#include "client/app/emoticon_codes.h"

#include <array>

namespace zemra::client {
namespace {

// The order is the picture strip's order; a lookup takes the first entry
// that matches.
constexpr std::array<std::string_view, kEmoticonCount> kCodes = {
    "/:O",   "/:-/", "/:*",  "/>:",   "/8-)",  "/:(",  "/:$",   "/:-X",  "/:-Z",  "/:'(",
    "/:-|",  "/:@",  "/:P",  "/:D",   "/:)",   "/<D>", "/<J>",  "/<H>",  "/<M>",  "/<QQ>",
    "/<MM>", "/<L>", "/<S>", "/<K>",  "/<T>",  "/<$>", "/<O>",  "/<&>",  "/<B>",  "/<F>",
    "/<U>",  "/<V>", "/<W>", "/<Y1>", "/<Y2>", "/<%>", "/<@@>", "/<X>",  "/<I>",  "/<G>",
    "/<!!>", "/<~>", "/<C>", "/<Z>",  "/<*>",  "/<)>", "/<OK>", "/<NO>", "/<00>", "/<11>",
};

}  // namespace

std::string_view emoticonCode(int index) {
    return index >= 0 && index < kEmoticonCount ? kCodes[index] : std::string_view();
}

int emoticonAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || text[pos] != '/') return -1;
    const std::string_view rest = text.substr(pos);
    for (int i = 0; i < kEmoticonCount; ++i) {
        if (rest.starts_with(kCodes[i])) return i;
    }
    return -1;
}

std::vector<TextPiece> splitEmoticons(std::string_view text) {
    std::vector<TextPiece> pieces;
    std::size_t runStart = 0;
    std::size_t pos = text.find('/');
    while (pos != std::string_view::npos) {
        const int index = emoticonAt(text, pos);
        if (index < 0) {
            pos = text.find('/', pos + 1);
            continue;
        }
        if (pos > runStart) pieces.push_back({std::string(text.substr(runStart, pos - runStart))});
        pieces.push_back({std::string(), index});
        runStart = pos + kCodes[index].size();
        pos = text.find('/', runStart);
    }
    if (runStart < text.size()) pieces.push_back({std::string(text.substr(runStart))});
    return pieces;
}

std::optional<TypedCode> typedCodeBefore(const QString& line, int caret) {
    if (caret > line.size()) return std::nullopt;
    // From caret-2: the character just typed may be a code's own last '/'
    // ("/:-/"). No code holds a space, so the scan need not pass one.
    for (int i = caret - 2; i >= 0; --i) {
        const QChar c = line.at(i);
        if (c == u' ') return std::nullopt;
        if (c != u'/') continue;
        // The code must fill everything from the '/' to the caret, and a
        // code is ASCII only, so anything else there cannot be one.
        std::string candidate;
        for (int k = i; k < caret; ++k) {
            const char16_t u = line.at(k).unicode();
            if (u > 0x7F) return std::nullopt;
            candidate.push_back(static_cast<char>(u));
        }
        const int index = emoticonAt(candidate, 0);
        if (index < 0 || kCodes[index].size() != candidate.size()) return std::nullopt;
        return TypedCode{i, caret - i, index};
    }
    return std::nullopt;
}

}  // namespace zemra::client
