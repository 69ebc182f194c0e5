// The search window's rules without the window: the form and the packet it
// sends, the paging walk over result pages, the texts of a result row, which
// actions the selected user allows and what each action does for him.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "client/net/contact_list.h"
#include "protocol/search_packets.h"

namespace zemra::client::ui {

inline constexpr std::size_t kSearchPageSize = 19;
// Entries with a lower ID are no users: the first one ends the page.
inline constexpr uint32_t kFirstUserId = 1000;
inline constexpr uint32_t kMaxSearchId = 99999999;
inline constexpr int kSearchNickChars = 10;

enum class SearchMode { ById = 0, ByNick = 1, Online = 2 };

// What the window's form holds when a search starts.
struct SearchForm {
    SearchMode mode = SearchMode::Online;
    std::string idText;  // as typed
    QString nickname;    // as typed
    bool hasSoundCard = false;
    bool hasCamera = false;
    bool male = false;
    bool female = false;
    bool sameCity = false;
};

// A user ID as typed: digits only (blanks around them allowed), 0 ... 99999999.
std::optional<uint32_t> parseSearchId(std::string_view text);
// The nickname to search for: its first ten characters in GBK, blanks
// trimmed. The packet builder cuts it further to its field.
std::string searchNickname(const QString& typed);
// The packet asking for `page` of the form's search, or nullopt when the
// search is by ID and the ID is no number in range.
std::optional<std::vector<uint8_t>> searchPacket(const SearchForm& form, uint16_t page);

// The rows a result page shows: entries up to the first one below
// kFirstUserId; `full` when they make a whole page, so another may follow.
struct ResultPage {
    std::span<const protocol::SearchResultEntry> rows;
    bool full = false;
};
ResultPage resultPage(std::span<const protocol::SearchResultEntry> entries);

// Texts of a row (UTF-8): the status, and video and audio, which an offline
// user never has.
std::string searchStatusText(uint16_t status);
std::string capabilityText(bool has, uint16_t status);
bool searchUserOffline(uint16_t status);

// Which page to ask for, and what each answer leads to. Every command ends a
// walk to the last page; the walk itself asks page after page until one
// comes back short or empty. An answer that no search waits for (the server
// reports "nobody" twice over) is left alone.
class SearchPaging {
  public:
    static constexpr int kMaxWalk = 1000;

    // What to do with an answer.
    struct Step {
        bool take = false;              // false: no search was waiting for it
        std::optional<uint16_t> fetch;  // ask for this page now
    };

    uint16_t page() const { return page_; }
    bool walking() const { return walking_; }
    bool waiting() const { return waiting_; }
    bool previousEnabled() const { return previousEnabled_; }
    bool nextEnabled() const { return nextEnabled_; }

    // "开始查询" and the refresh: the current page again.
    uint16_t again();
    uint16_t first();
    uint16_t next();
    // Nothing on the first page; the button goes grey there.
    std::optional<uint16_t> previous();
    // Starts the walk with the page after the current one.
    uint16_t last();
    // The search mode changed: back to the first page, paging buttons grey.
    void reset();

    Step onPage(bool full);
    Step onEmpty();

  private:
    uint16_t ask(uint16_t page);

    uint16_t page_ = 0;
    bool walking_ = false;
    int walked_ = 0;
    bool waiting_ = false;
    bool steppedBack_ = false;  // the page after this one is known to be empty
    bool previousEnabled_ = false;
    bool nextEnabled_ = false;
};

// The selected row as the actions need it.
struct SearchUser {
    uint32_t id = 0;
    uint16_t status = protocol::kSearchStatusOffline;
};

// Action buttons for the selected user ("查看资料" is always there).
struct SearchActionsEnabled {
    bool call = false;
    bool sendFile = false;
    bool addFriend = false;
    bool blacklist = false;
    bool chat = false;

    bool operator==(const SearchActionsEnabled&) const = default;
};
SearchActionsEnabled searchActionsEnabled(const SearchUser& user, uint32_t ownId, bool inCall,
                                          bool transferRunning);

enum class SearchCommand { AddFriend, Blacklist, Details, Chat, Call, SendFile };

// What a command does: run for the selected user, tell the user why not
// (UTF-8), or nothing.
struct SearchDecision {
    enum class Kind { Run, Tell, Ignore } kind = Kind::Ignore;
    std::string message;

    static SearchDecision run() { return {Kind::Run, {}}; }
    static SearchDecision tell(std::string text) { return {Kind::Tell, std::move(text)}; }
    bool operator==(const SearchDecision&) const = default;
};
SearchDecision decideSearchCommand(SearchCommand command, const std::optional<SearchUser>& selected,
                                   uint32_t ownId, const ContactList& contacts, bool inCall);

}  // namespace zemra::client::ui
