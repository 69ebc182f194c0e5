#include "client/app/message_split.h"

#include "platform/text.h"

namespace zemra::client {
namespace {

// The longest emoticon code ("/<QQ>", "/<Y1>" ...) is five bytes.
constexpr std::size_t kLongestCode = 5;

}  // namespace

std::vector<std::string> splitMessageText(std::string_view gbk, std::size_t maxBytes) {
    std::vector<std::string> pieces;
    while (!gbk.empty()) {
        std::size_t cut = text::gbkPrefixLength(gbk, maxBytes);
        if (cut < gbk.size()) {
            // A code that might run across the cut moves whole to the next piece.
            const std::size_t from = cut > kLongestCode - 1 ? cut - (kLongestCode - 1) : 0;
            const std::size_t slash = gbk.substr(0, cut).find_last_of('/');
            if (slash != std::string_view::npos && slash >= from && slash > 0) cut = slash;
        }
        if (cut == 0) cut = gbk.size();  // a field too small for one character
        pieces.emplace_back(gbk.substr(0, cut));
        gbk.remove_prefix(cut);
    }
    return pieces;
}

}  // namespace zemra::client
