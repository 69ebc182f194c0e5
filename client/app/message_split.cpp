#include "client/app/message_split.h"

#include "client/app/emoticon_codes.h"
#include "platform/text.h"

namespace zemra::client {
namespace {

// The cut moved before an emoticon code that would run across it: the codes
// are found as the receiver finds them, from the start of the piece.
std::size_t cutOutsideCodes(std::string_view gbk, std::size_t cut) {
    std::size_t pos = gbk.find('/');
    while (pos != std::string_view::npos && pos < cut) {
        const int code = emoticonAt(gbk, pos);
        if (code < 0) {
            pos = gbk.find('/', pos + 1);
            continue;
        }
        const std::size_t end = pos + emoticonCode(code).size();
        if (end > cut) return pos > 0 ? pos : cut;
        pos = gbk.find('/', end);
    }
    return cut;
}

}  // namespace

std::vector<std::string> splitMessageText(std::string_view gbk, std::size_t maxBytes) {
    std::vector<std::string> pieces;
    while (!gbk.empty()) {
        std::size_t cut = text::gbkPrefixLength(gbk, maxBytes);
        if (cut < gbk.size()) cut = cutOutsideCodes(gbk, cut);
        if (cut == 0) cut = gbk.size();  // a field too small for one character
        pieces.emplace_back(gbk.substr(0, cut));
        gbk.remove_prefix(cut);
    }
    return pieces;
}

}  // namespace zemra::client
