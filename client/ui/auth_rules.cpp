#include "client/ui/auth_rules.h"

#include <string_view>

#include "client/ui/ui_text.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

// A UTF-8 template with one "%s" as GBK, filled with a GBK argument. The
// argument goes in after the conversion: it is not UTF-8.
std::string fillGbk(std::string_view utf8Template, std::string_view gbkArgument) {
    std::string result = text::toGbk(utf8Template);
    const auto slot = result.find("%s");
    if (slot != std::string::npos) result.replace(slot, 2, gbkArgument);
    return result;
}

}  // namespace

NoticeView noticeView(const store::ChatMessage& message, bool senderIsFriend) {
    NoticeView view;
    switch (message.kind) {
        case store::kMessageChat:
            view.showsMessage = true;
            break;
        case store::kMessageAuthPassed:
            view.text = text::toGbk("通过您的身份验证");
            break;
        case store::kMessageAuthRequest:
            // The note, whether the request is only its note or a list of fields.
            view.text = message.displayedText();
            view.accept = view.refuse = view.addFriend = true;
            break;
        case store::kMessageAuthRefused:
            view.text = fillGbk("拒绝您的身份验证\r\n\r\n附加消息:%s", message.text);
            break;
        case store::kMessageAddedAsFriend:
            view.text = text::toGbk("将你列入好友名单");
            view.addFriend = true;
            break;
        default:
            break;
    }
    view.addFriendEnabled = view.addFriend && !senderIsFriend;
    return view;
}

std::string authenticationText(const QString& typed) {
    std::string note = gbk(typed);
    if (note.empty()) note = text::toGbk("请求加为好友");
    return std::string(text::gbkPrefix(note, protocol::kMaxMessageTextBytes));
}

protocol::TextMessage authenticationMessage(uint32_t peer, const std::string& gbkText,
                                            uint32_t now) {
    protocol::TextMessage m;
    m.kind = protocol::kMessageAuthRequest;
    m.flags = 1;
    m.fontSize = 12;
    m.colour = 0;
    m.effects = 0;
    m.faceName = text::toGbk("宋体");
    m.peerId = peer;
    m.time = now;
    m.text = gbkText;
    return m;
}

void AddFriendRequest::submitted(bool written) {
    if (stage_ == Stage::Submitting && !written) stage_ = Stage::TimedOut;
}

void AddFriendRequest::answered(int result) {
    if (stage_ == Stage::Idle) return;  // nothing of ours was asked
    switch (result) {
        case kAddResultAdded:
            stage_ = Stage::Added;
            break;
        case kAddResultNeedsAuthentication:
            stage_ = Stage::NeedsAuthentication;
            break;
        case kAddResultRefused:
            stage_ = Stage::Refused;
            break;
        default:
            break;
    }
}

bool AddFriendRequest::sendMessage() {
    if (stage_ != Stage::NeedsAuthentication) return false;
    stage_ = Stage::SendingMessage;
    return true;
}

void AddFriendRequest::messageWritten(bool written) {
    if (stage_ == Stage::SendingMessage) stage_ = written ? Stage::MessageSent : Stage::TimedOut;
}

void AddFriendRequest::timedOut() {
    if (stage_ == Stage::Submitting) stage_ = Stage::TimedOut;
}

std::string AddFriendRequest::statusText() const {
    switch (stage_) {
        case Stage::Idle:
            return {};
        case Stage::Submitting:
            return "正在向服务器递交添加请求";
        case Stage::NeedsAuthentication:
        case Stage::SendingMessage:
            return "对方需要你进行身份验证";
        case Stage::MessageSent:
            return "已经成功地向对方发送信息";
        case Stage::Added:
            return "添加好友成功";
        case Stage::Refused:
            return "对方拒绝了你的添加请求";
        case Stage::TimedOut:
            return "超时，请重试或返回";
    }
    return {};
}

bool AddFriendRequest::expanded() const {
    return stage_ == Stage::NeedsAuthentication || stage_ == Stage::SendingMessage ||
           stage_ == Stage::MessageSent;
}

}  // namespace zemra::client::ui
