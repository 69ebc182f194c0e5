#include "client/ui/search_rules.h"

#include <algorithm>

#include "client/ui/ui_text.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<uint32_t> parseSearchId(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        // Leading zeros may make the text long; the value alone counts.
        if (value > kMaxSearchId) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::string searchNickname(const QString& typed) {
    return gbk(typed.trimmed().left(kSearchNickChars));
}

std::optional<std::vector<uint8_t>> searchPacket(const SearchForm& form, uint16_t page) {
    switch (form.mode) {
        case SearchMode::ById: {
            const auto id = parseSearchId(form.idText);
            if (!id) return std::nullopt;
            return protocol::buildUserIdPacket(protocol::PT_SEARCH_BY_ID, *id);
        }
        case SearchMode::ByNick:
            return protocol::buildNickSearch({searchNickname(form.nickname), page});
        case SearchMode::Online:
            break;
    }
    protocol::OnlineSearch search;
    search.page = page;
    search.hasSoundCard = form.hasSoundCard;
    search.hasCamera = form.hasCamera;
    search.male = form.male;
    search.female = form.female;
    search.sameCity = form.sameCity;
    return protocol::buildOnlineSearch(search);
}

ResultPage resultPage(std::span<const protocol::SearchResultEntry> entries) {
    const auto end = std::find_if(entries.begin(), entries.end(),
                                  [](const auto& e) { return e.userId < kFirstUserId; });
    const auto rows = entries.first(static_cast<std::size_t>(end - entries.begin()));
    return {rows, end == entries.end() && rows.size() >= kSearchPageSize};
}

bool searchUserOffline(uint16_t status) {
    return status == protocol::kSearchStatusOffline || status == protocol::kSearchStatusLoggedOut;
}

std::string searchStatusText(uint16_t status) {
    if (searchUserOffline(status)) return "未登录";
    if (status == protocol::kSearchStatusIdle) return "空闲";
    if (status == protocol::kSearchStatusInCall) return "通话中";
    return {};
}

std::string capabilityText(bool has, uint16_t status) {
    return has && !searchUserOffline(status) ? "有" : "无";
}

// --- paging ---

uint16_t SearchPaging::ask(uint16_t page) {
    page_ = page;
    waiting_ = true;
    steppedBack_ = false;
    return page_;
}

uint16_t SearchPaging::again() {
    walking_ = false;
    return ask(page_);
}

uint16_t SearchPaging::first() {
    walking_ = false;
    return ask(0);
}

uint16_t SearchPaging::next() {
    walking_ = false;
    return ask(page_ == UINT16_MAX ? page_ : page_ + 1);
}

std::optional<uint16_t> SearchPaging::previous() {
    walking_ = false;
    if (page_ == 0) {
        previousEnabled_ = false;
        return std::nullopt;
    }
    return ask(page_ - 1);
}

uint16_t SearchPaging::last() {
    walking_ = true;
    walked_ = 1;
    return ask(page_ == UINT16_MAX ? page_ : page_ + 1);
}

void SearchPaging::reset() {
    *this = SearchPaging();
}

SearchPaging::Step SearchPaging::onPage(bool full) {
    if (!waiting_) return {};
    waiting_ = false;
    previousEnabled_ = page_ > 0;
    nextEnabled_ = full && !steppedBack_;
    steppedBack_ = false;
    if (walking_) {
        if (full && walked_ < kMaxWalk && page_ < UINT16_MAX) {
            ++walked_;
            return {true, ask(page_ + 1)};
        }
        walking_ = false;
    }
    return {true, std::nullopt};
}

SearchPaging::Step SearchPaging::onEmpty() {
    if (!waiting_) return {};
    waiting_ = false;
    nextEnabled_ = false;
    const bool walked = walking_;
    walking_ = false;
    if (page_ == 0) {
        previousEnabled_ = false;
        return {true, std::nullopt};
    }
    if (!walked) {
        --page_;
        previousEnabled_ = page_ > 0;
        return {true, std::nullopt};
    }
    // The walk went one page too far: show the last page that had users.
    const uint16_t back = ask(page_ - 1);
    steppedBack_ = true;
    return {true, back};
}

// --- the selected user ---

SearchActionsEnabled searchActionsEnabled(const SearchUser& user, uint32_t ownId, bool inCall,
                                          bool transferRunning) {
    if (user.id == ownId) return {};
    const bool idle = user.status == protocol::kSearchStatusIdle;
    return {.call = idle && !inCall,
            .sendFile = idle && !transferRunning,
            .addFriend = true,
            .blacklist = true,
            .chat = true};
}

SearchDecision decideSearchCommand(SearchCommand command, const std::optional<SearchUser>& selected,
                                   uint32_t ownId, const ContactList& contacts, bool inCall) {
    if (!selected) return SearchDecision::tell("请先选择用户");
    const bool self = selected->id == ownId;
    switch (command) {
        case SearchCommand::AddFriend:
            // Friends, strangers and the black list alike: he is set already.
            if (contacts.findContact(selected->id)) return SearchDecision::tell("您已设置该用户");
            if (self) return SearchDecision::tell("不能对自己进行操作");
            return SearchDecision::run();
        case SearchCommand::Blacklist:
        case SearchCommand::Chat:
            if (self) return SearchDecision::tell("不能对自己进行操作");
            return SearchDecision::run();
        case SearchCommand::Details:
            return SearchDecision::run();
        case SearchCommand::Call:
            if (inCall) return SearchDecision::tell("您正在通话中!");
            if (self) return SearchDecision::tell("不能呼叫自己");
            if (searchUserOffline(selected->status) ||
                selected->status == protocol::kSearchStatusInCall) {
                return {};
            }
            return SearchDecision::run();
        case SearchCommand::SendFile:
            if (self || selected->status != protocol::kSearchStatusIdle) return {};
            return SearchDecision::run();
    }
    return {};
}

}  // namespace zemra::client::ui
