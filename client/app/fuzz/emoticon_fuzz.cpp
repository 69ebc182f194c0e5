// libFuzzer target: message text from a peer cut into plain runs and
// emoticons for display and put back together as codes; the same text cut
// into messages for sending; and the typed-code lookup on it as an edit line.
// The first input byte sets the small piece size and the caret, the rest is
// the text.
//
// Checked: the display pieces give back the text exactly, with no code left
// inside a plain run; sending pieces give back the text, stay within their
// size, end on character boundaries and keep every emoticon whole, so the
// receiver sees the same emoticons as the whole text holds; a typed code ends
// at the caret and is the code it names.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/app/emoticon_codes.h"
#include "client/app/message_split.h"
#include "platform/text.h"
#include "protocol/message_packets.h"

namespace {
using namespace zemra;
using namespace zemra::client;

// Longer than any code ("/<QQ>" is 5 bytes), so a piece can hold every code.
constexpr std::size_t kSmallestPiece = 6;

std::vector<int> emoticonsOf(std::string_view text) {
    std::vector<int> found;
    for (const TextPiece& piece : splitEmoticons(text)) {
        if (piece.emoticon >= 0) found.push_back(piece.emoticon);
    }
    return found;
}

bool displayPiecesHold(std::string_view text) {
    std::string joined;
    bool previousWasText = false;
    for (const TextPiece& piece : splitEmoticons(text)) {
        if (piece.emoticon >= 0) {
            if (!piece.text.empty() || emoticonCode(piece.emoticon).empty()) return false;
            joined += emoticonCode(piece.emoticon);
            previousWasText = false;
            continue;
        }
        if (piece.text.empty() || previousWasText) return false;
        for (std::size_t i = piece.text.find('/'); i != std::string::npos;
             i = piece.text.find('/', i + 1)) {
            if (emoticonAt(piece.text, i) >= 0) return false;
        }
        joined += piece.text;
        previousWasText = true;
    }
    return joined == text;
}

// Where characters start when walking the text as GBK (a lead byte and a
// valid trail byte make one character), plus the end.
std::vector<bool> characterStarts(std::string_view gbk) {
    std::vector<bool> starts(gbk.size() + 1, false);
    for (std::size_t pos = 0; pos < gbk.size();) {
        starts[pos] = true;
        const auto lead = static_cast<uint8_t>(gbk[pos]);
        const auto trail = pos + 1 < gbk.size() ? static_cast<uint8_t>(gbk[pos + 1]) : 0;
        pos += text::isGbkLeadByte(lead) && trail >= 0x40 && trail != 0x7F && trail != 0xFF ? 2 : 1;
    }
    starts[gbk.size()] = true;
    return starts;
}

bool sendingPiecesHold(std::string_view text, std::size_t maxBytes) {
    const std::vector<std::string> pieces = splitMessageText(text, maxBytes);
    const std::vector<bool> starts = characterStarts(text);
    std::string joined;
    std::vector<int> received;
    for (const std::string& piece : pieces) {
        if (piece.empty() || piece.size() > maxBytes) return false;
        joined += piece;
        if (!starts[joined.size()]) return false;
        for (int code : emoticonsOf(piece)) received.push_back(code);
    }
    return joined == text && received == emoticonsOf(text);
}

bool typedCodeHolds(const QString& line, int caret) {
    const auto typed = typedCodeBefore(line, caret);
    if (!typed) return true;
    const std::string_view code = emoticonCode(typed->index);
    return !code.empty() && typed->start >= 0 && typed->start + typed->length == caret &&
           line.mid(typed->start, typed->length) == QString::fromLatin1(code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t knobs = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    bool ok = displayPiecesHold(text);
    ok &= sendingPiecesHold(text, protocol::kMaxMessageTextBytes);
    ok &= sendingPiecesHold(text, kSmallestPiece + (knobs & 0x3F));

    const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    ok &= typedCodeHolds(line, static_cast<int>(line.size()) - (knobs >> 5));
    if (!ok) __builtin_trap();
    return 0;
}
