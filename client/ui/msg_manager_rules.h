// The message manager's rules without its window: who the partners in the
// tree are and what each item stands for, the rows of the message list, which
// commands are open, deleting what the user picked, and the find. Texts are
// GBK, as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/record_store.h"
#include "client/store/user_records.h"

namespace zemra::client::ui {

// The root and the groups stand for every partner beneath them.
inline constexpr uint32_t kGroupItemValue = 0xFFFFFFFF;
// Values from here up are items without messages of their own.
inline constexpr uint32_t kFirstNonPartnerValue = 0xFFFFFFF1;

// Pictures of the tree: the 255 faces (85 faces in three looks), then these two.
inline constexpr int kSystemMessagesImage = 255;
inline constexpr int kGroupImage = 256;
// A face's picture when its item is selected.
inline constexpr int kSelectedFaceOffset = 170;

// Whether selecting an item with this value lists messages.
inline bool isPartnerValue(uint32_t value) {
    return value < kFirstNonPartnerValue;
}

struct MsgOwner {
    uint32_t id = 0;
    std::string nickname;
    uint8_t face = 0;
};

// Who is who: the user and his contacts by ID.
class MsgNames {
  public:
    // Gives the contact with an ID, or null; never asked for 0.
    using ContactLookup = std::function<const store::CUserInfo*(uint32_t id)>;

    MsgNames(MsgOwner owner, ContactLookup contacts);

    const MsgOwner& owner() const { return owner_; }
    const store::CUserInfo* contact(uint32_t id) const;
    // The contact's nickname, or the ID as "%lu" for someone who is no contact.
    std::string partnerName(uint32_t id) const;
    // Who wrote a message listed under `key`: the own nickname for a sent
    // one; for a received one the partner's name, or under the system
    // messages (key 0) the message's partner ID.
    std::string senderName(uint32_t key, const store::ChatMessage& message) const;

  private:
    MsgOwner owner_;
    ContactLookup contacts_;
};

struct MsgTreeNode {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    uint32_t value = kGroupItemValue;
    std::vector<MsgTreeNode> children;
};

struct MsgTreeGroup {
    std::string name;
    std::vector<uint32_t> members;
};

// The partner tree: the user, each group with its members, every other
// partner of msg.db under the strangers' group (the next-to-last group), and
// last the system messages. `partners` are the keys of msg.db.
MsgTreeNode buildPartnerTree(const MsgNames& names, const std::vector<MsgTreeGroup>& groups,
                             std::vector<uint32_t> partners);

// Child indices from the root to the first item, depth-first, whose value is `value`.
std::optional<std::vector<std::size_t>> pathToValue(const MsgTreeNode& root, uint32_t value);
// The item at a path of child indices, or null when there is none.
const MsgTreeNode* nodeAt(const MsgTreeNode& root, const std::vector<std::size_t>& path);

// The msg.db keys an item stands for, in tree order: its value, or for the
// root and a group the keys of everything beneath it.
std::vector<uint32_t> keysOf(const MsgTreeNode& item);

// "%Y-%m-%d" and "%H:%M:%S" of a message time, in local time.
std::string messageDate(uint32_t time);
std::string messageTime(uint32_t time);

struct MsgRow {
    std::string sender;
    std::string date;
    std::string time;
    std::string text;
    bool operator==(const MsgRow&) const = default;
};
// The list row of a message listed under `key`.
MsgRow msgRow(const MsgNames& names, uint32_t key, const store::ChatMessage& message);

enum class MsgPane { Tree, List, View };

struct MsgCommands {
    bool remove = false;
    bool exportBackup = false;
    bool exportUsers = false;
};
// The commands that depend on the active pane and what is selected; the
// others are always open.
MsgCommands enabledCommands(MsgPane active, std::size_t selectedRows,
                            std::optional<uint32_t> selectedItem);

// Deleting rows of a list that was filled from the store earlier. Row i of
// c rows is message c - 1 - i counted from the newest, but the store may have
// changed since (a message arrived, another window deleted one): each row is
// deleted only when the message at its position is the one it shows.
struct RowDeletion {
    // Nothing was deleted: a row no longer matches the store.
    bool storeChanged = false;
    // The rows whose messages were deleted, in increasing order.
    std::vector<std::size_t> deletedRows;
};
// `shown` are the messages of all rows in row order (oldest first), as they
// were loaded for `key`; `selected` the rows the user picked.
RowDeletion deleteSelectedRows(store::RecordStore& store, uint32_t key,
                               const std::vector<store::ChatMessage>& shown,
                               std::vector<std::size_t> selected);

// Deletes every message of each key the item stands for.
void deleteItemMessages(store::RecordStore& store, const MsgTreeNode& item);

// The partner box of the find: each key of msg.db as "%lu(%s)" for a
// contact or "%lu".
struct FindEntry {
    uint32_t key = 0;
    std::string text;
};
std::vector<FindEntry> findEntries(const MsgNames& names, const std::vector<uint32_t>& partners);

struct FindHit {
    std::string where;  // the partner's entry text
    std::string text;   // the message's stored text
};
// Every message of the chosen entry whose stored text contains `needle`
// (case-sensitive). The entry of key 0 stands for all the other entries.
std::vector<FindHit> findMessages(store::RecordStore& store, const std::vector<FindEntry>& entries,
                                  std::size_t chosen, const std::string& needle);

}  // namespace zemra::client::ui
