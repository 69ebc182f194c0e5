#include "client/ui/main_window_rules.h"

#include "client/store/chat_message.h"

namespace zemra::client::ui {

std::optional<std::string> loginRefusal(int control, bool loggedIn) {
    if (loggedIn) return std::nullopt;
    switch (control) {
        case control::kMyDetails:
            return "对不起.您还没有成功登陆服务器";
        case control::kMainMenu:
        case control::kOptions:
        case control::kMessageManager:
        case control::kCallLog:
        case control::kCall:
            return "对不起,您还没有成功登陆服务器";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> menuLoginRefusal(bool loggedIn) {
    if (loggedIn) return std::nullopt;
    return "对不起,您还没有成功登陆服务器";
}

std::string NumberField::pressKey(const std::string& text, int control, bool inCall) {
    if (inCall || control < control::kFirstDialKey || control > control::kLastDialKey ||
        text.size() >= kMaxLength) {
        return text;
    }
    static constexpr char kKeys[] = "123456789*0#";
    return text + kKeys[control - control::kFirstDialKey];
}

std::string NumberField::clearLast(const std::string& text) {
    return text.size() < 2 ? std::string() : text.substr(0, text.size() - 1);
}

std::vector<MainMenuEntry> mainMenuEntries(uint32_t ownId, bool onTop) {
    using E = MainMenuEntry;
    const E top = onTop ? E::NotOnTop : E::StayOnTop;
    if (ownId == store::kSystemAccountId) {
        return {E::MessageManager, E::Broadcast, top, E::MyDetails, E::Options, E::About, E::Exit};
    }
    return {E::MessageManager, top, E::MyDetails, E::Options, E::About, E::Exit};
}

std::vector<ContactMenuItem> contactMenuEntries(store::ContactCategory category, bool ownOffline,
                                                bool inCall) {
    using E = ContactMenuEntry;
    const ContactMenuItem chat{E::Chat, !ownOffline};
    const ContactMenuItem call{E::Call, !inCall};
    switch (category) {
        case store::ContactCategory::Ordinary:
            return {chat, call, {E::SendFile}, {E::Homepage}, {E::History}, {E::Details}};
        case store::ContactCategory::Stranger:
            return {chat, call, {E::History}, {E::Details}};
        case store::ContactCategory::Blacklisted:
            return {{E::Details}, {E::History}};
    }
    return {};
}

std::string groupKeptMessage(ContactList::KeepGroup why) {
    if (why == ContactList::KeepGroup::HasMembers) return "在删除好友之前请先清空里面的好友";
    return "这个组不能删除：陌生人、黑名单和最后一个好友组必须保留";
}

OpenContactAction openContactAction(store::ContactCategory category,
                                    std::optional<uint8_t> oldestQueuedKind) {
    if (category == store::ContactCategory::Ordinary &&
        oldestQueuedKind == store::kMessageQueueOnly) {
        return OpenContactAction::DiscardQueued;
    }
    if (category == store::ContactCategory::Blacklisted) return OpenContactAction::ShowDetails;
    return OpenContactAction::Chat;
}

TrayClicks::TrayClicks(int doubleClickMs, QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setInterval(doubleClickMs);
    connect(&timer_, &QTimer::timeout, this, &TrayClicks::statusMenuWanted);
}

void TrayClicks::click() {
    if (userSet_) timer_.start();
}

void TrayClicks::doubleClick() {
    if (!userSet_) return;
    timer_.stop();
    emit openWanted();
}

}  // namespace zemra::client::ui
