#include "chat_message.h"

#include <string_view>

#include "platform/text.h"

namespace zemra::store {
namespace {

// The text of a friend request is a list of fields separated by 0xFF bytes;
// the third field is the note the requester typed. A request that is only
// its note (as this client sends it) is the note.
std::string_view requestNote(std::string_view fields) {
    fields = fields.substr(0, fields.find('\0'));
    if (fields.find('\xFF') == std::string_view::npos) return fields;
    for (int skip = 0; skip < 2; ++skip) {
        const auto separator = fields.find('\xFF');
        if (separator == std::string_view::npos) return {};
        fields.remove_prefix(separator + 1);
    }
    return fields.substr(0, fields.find('\xFF'));
}

// The GBK form of a UTF-8 template with one "%s", filled with a GBK argument.
std::string formatGbk(std::string_view utf8Template, std::string_view gbkArgument) {
    std::string result = text::toGbk(utf8Template);
    const auto slot = result.find("%s");
    if (slot != std::string::npos) result.replace(slot, 2, gbkArgument);
    return result;
}

}  // namespace

bool ChatMessage::isSystemMessage() const {
    return peer == kSystemAccountId ||
           (kind >= kMessageAuthPassed && kind <= kMessageAddedAsFriend);
}

uint32_t ChatMessage::storageKey() const {
    return isSystemMessage() ? 0 : peer;
}

std::string ChatMessage::displayedText() const {
    switch (kind) {
        case kMessageAuthPassed:
            return text::toGbk("通过您的身份验证");
        case kMessageAuthRequest:
            return formatGbk("请求你通过身份验证\r\n\r\n附加消息:%s", requestNote(text));
        case kMessageAuthRefused:
            return formatGbk("拒绝您的身份验证\r\n\r\n附加消息:%s", text);
        case kMessageAddedAsFriend:
            return text::toGbk("将你列入好友名单");
        default:
            break;
    }
    const bool relayed =
        (flags & (kMessageIncoming | kMessageRelayed)) == (kMessageIncoming | kMessageRelayed);
    if (relayed && peer != kSystemAccountId) return text + text::toGbk("\r\n(通过服务器中转)");
    return text;
}

void ChatMessage::serialize(RecordWriter& out) const {
    out.u8(kind);
    out.u8(flags);
    out.u32(peer);
    out.u32(time);
    out.text(text);
    if (kind != kMessageChat) return;
    out.text(faceName);
    out.u8(size);
    out.u32(colour);
    out.u8(effects);
}

void ChatMessage::deserialize(RecordReader& in) {
    kind = in.u8();
    flags = in.u8();
    peer = in.u32();
    time = in.u32();
    text = in.text();
    faceName.clear();
    size = 0;
    colour = 0;
    effects = 0;
    if (kind != kMessageChat) return;
    faceName = in.text();
    size = in.u8();
    colour = in.u32();
    effects = in.u8();
}

}  // namespace zemra::store
