// The call-list window's rules without the window: which records of a day's
// call log it lists, in which order, and why an action on the selected row
// cannot run.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zemra::client::ui {

// One row of the list.
struct CallListRow {
    uint32_t id = 0;
    std::string name;       // GBK, as stored
    std::string time;       // "%H:%M:%S"
    std::string kindLabel;  // UTF-8; empty for a kind the list does not know

    bool operator==(const CallListRow&) const = default;
};

// The day's log file of `ownId` in the call-list folder.
std::filesystem::path callListFile(const std::filesystem::path& callListDir, const std::tm& day,
                                   uint32_t ownId);

// The records of `file`, newest first. With no kind ticked every record is
// listed, otherwise only those of a ticked kind. Opening creates a missing
// file, as the log itself does; a file that can be neither opened nor
// created lists nothing.
std::vector<CallListRow> queryCallList(const std::filesystem::path& file,
                                       const std::set<uint32_t>& tickedKinds);

enum class CallListAction { Call, Chat, Details, AddFriend, BlackList };

// What the actions need to know about the user and the selected row.
struct CallListContext {
    std::optional<uint32_t> selected;  // the ID of the selected row
    uint32_t ownId = 0;
    bool inCall = false;
    std::function<bool(uint32_t)> isFriend;  // asked only when it matters
};

// The message (UTF-8) telling why `action` cannot run, checks in their
// order; nothing when it may run.
std::optional<std::string> callListRefusal(CallListAction action, const CallListContext& context);

}  // namespace zemra::client::ui
