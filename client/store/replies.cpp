#include "replies.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace zemra::store {
namespace {

constexpr std::size_t kMenuTextBytes = 20;

std::vector<std::string> toGbk(std::initializer_list<std::string_view> utf8) {
    std::vector<std::string> out;
    for (std::string_view entry : utf8) out.push_back(text::toGbk(entry));
    return out;
}

}  // namespace

std::vector<std::string> LoadReplies(const std::filesystem::path& path) {
    std::vector<std::string> entries;
    std::ifstream in(path, std::ios::binary);
    if (!in) return entries;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    // The files were written in text mode on Windows, where "\r\n" reads as "\n".
    std::string lines;
    lines.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') continue;
        lines.push_back(data[i]);
    }

    // As fgets into 128 bytes: up to 127 bytes, or up to and including a line break.
    std::size_t pos = 0;
    while (pos < lines.size()) {
        std::size_t end = pos;
        while (end < lines.size() && end - pos < kReplyPieceBytes) {
            if (lines[end++] == '\n') break;
        }
        std::string_view piece(lines.data() + pos, end - pos);
        pos = end;
        // What follows an embedded NUL was never part of the entry.
        piece = piece.substr(0, piece.find('\0'));
        if (!piece.empty() && piece.back() == '\n') piece.remove_suffix(1);
        entries.emplace_back(piece);
    }
    return entries;
}

bool SaveReplies(const std::filesystem::path& path, const std::vector<std::string>& entries) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    bool ok = true;
    for (const std::string& entry : entries) {
        ok = std::fprintf(out, "%s\n", entry.c_str()) >= 0 && ok;
    }
    return std::fclose(out) == 0 && ok;
}

std::vector<std::string> defaultQuickReplies() {
    return toGbk({"哦", "好了,好了,我知道了", "是吗?", "不会是真的吧?"});
}

std::vector<std::string> defaultAutoReplies() {
    return toGbk(
        {"你好，我现在有事不在，一会儿再和你联系", "工作中，请勿打扰", "我去吃饭了，一会儿再联系"});
}

bool writeDefaultReplies(const std::filesystem::path& userDir) {
    const bool quick = SaveReplies(userDir / kQuickReplyFileName, defaultQuickReplies());
    const bool automatic = SaveReplies(userDir / kAutoReplyFileName, defaultAutoReplies());
    return quick && automatic;
}

std::string shortenMenuText(std::string_view gbk) {
    if (gbk.size() <= kMenuTextBytes) return std::string(gbk);
    return std::string(text::gbkPrefix(gbk, kMenuTextBytes)) + "...";
}

}  // namespace zemra::store
