#include "client/ui/msg_manager_rules.h"

#include <algorithm>
#include <ctime>

#include "client/store/time_text.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr int kFaces = 85;

std::string idText(uint32_t id) {
    return std::to_string(id);
}

// "%lu(%s)": an ID with its nickname.
std::string idWithName(uint32_t id, const std::string& nickname) {
    return idText(id) + "(" + nickname + ")";
}

// A stored face out of range shows the first face rather than another look.
int faceImage(uint8_t face) {
    return face < kFaces ? face : 0;
}

MsgTreeNode personNode(uint32_t id, const std::string& nickname, uint8_t face) {
    return {
        idWithName(id, nickname), faceImage(face), faceImage(face) + kSelectedFaceOffset, id, {}};
}

bool findPath(const MsgTreeNode& node, uint32_t value, std::vector<std::size_t>& path) {
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        path.push_back(i);
        if (node.children[i].value == value || findPath(node.children[i], value, path)) return true;
        path.pop_back();
    }
    return false;
}

void collectKeys(const MsgTreeNode& item, std::vector<uint32_t>& keys) {
    if (item.value != kGroupItemValue) {
        keys.push_back(item.value);
        return;
    }
    for (const MsgTreeNode& child : item.children) collectKeys(child, keys);
}

// Whether the message at `position` (counted from the newest) of `stored`
// (oldest first) is `shown`.
bool storedAt(const std::vector<store::ChatMessage>& stored, std::size_t position,
              const store::ChatMessage& shown) {
    return position < stored.size() && stored[stored.size() - 1 - position] == shown;
}

}  // namespace

MsgNames::MsgNames(MsgOwner owner, ContactLookup contacts)
    : owner_(std::move(owner)), contacts_(std::move(contacts)) {}

const store::CUserInfo* MsgNames::contact(uint32_t id) const {
    return id != 0 && contacts_ ? contacts_(id) : nullptr;
}

std::string MsgNames::partnerName(uint32_t id) const {
    const store::CUserInfo* c = contact(id);
    return c ? c->nickname : idText(id);
}

std::string MsgNames::senderName(uint32_t key, const store::ChatMessage& message) const {
    if (!message.isIncoming()) return owner_.nickname;
    return key == store::kSystemMessagesKey ? idText(message.peer) : partnerName(key);
}

MsgTreeNode buildPartnerTree(const MsgNames& names, const std::vector<MsgTreeGroup>& groups,
                             std::vector<uint32_t> partners) {
    const MsgOwner& me = names.owner();
    MsgTreeNode root = personNode(me.id, me.nickname, me.face);
    root.value = kGroupItemValue;
    const auto dropPartner = [&partners](uint32_t id) {
        partners.erase(std::remove(partners.begin(), partners.end(), id), partners.end());
    };
    for (const MsgTreeGroup& group : groups) {
        MsgTreeNode& item = root.children.emplace_back();
        item.text = group.name;
        item.image = item.selectedImage = kGroupImage;
        for (uint32_t id : group.members) {
            const store::CUserInfo* member = names.contact(id);
            if (!member) continue;
            item.children.push_back(personNode(id, member->nickname, member->face));
            dropPartner(id);
        }
    }
    dropPartner(store::kSystemMessagesKey);
    // Someone who wrote but is in no group is shown with the strangers.
    if (groups.size() >= 2) {
        MsgTreeNode& strangers = root.children[groups.size() - 2];
        for (uint32_t id : partners) {
            strangers.children.push_back({idText(id), 0, kSelectedFaceOffset, id, {}});
        }
    }
    root.children.push_back({text::toGbk("系统消息"),
                             kSystemMessagesImage,
                             kSystemMessagesImage,
                             store::kSystemMessagesKey,
                             {}});
    return root;
}

std::optional<std::vector<std::size_t>> pathToValue(const MsgTreeNode& root, uint32_t value) {
    std::vector<std::size_t> path;
    if (root.value == value) return path;
    if (findPath(root, value, path)) return path;
    return std::nullopt;
}

const MsgTreeNode* nodeAt(const MsgTreeNode& root, const std::vector<std::size_t>& path) {
    const MsgTreeNode* node = &root;
    for (std::size_t index : path) {
        if (index >= node->children.size()) return nullptr;
        node = &node->children[index];
    }
    return node;
}

std::vector<uint32_t> keysOf(const MsgTreeNode& item) {
    std::vector<uint32_t> keys;
    collectKeys(item, keys);
    return keys;
}

std::string messageDate(uint32_t time) {
    return store::formatTime(store::localTime(static_cast<std::time_t>(time)), "%Y-%m-%d");
}

std::string messageTime(uint32_t time) {
    return store::formatTime(store::localTime(static_cast<std::time_t>(time)), "%H:%M:%S");
}

MsgRow msgRow(const MsgNames& names, uint32_t key, const store::ChatMessage& message) {
    return {names.senderName(key, message), messageDate(message.time), messageTime(message.time),
            message.displayedText()};
}

MsgCommands enabledCommands(MsgPane active, std::size_t selectedRows,
                            std::optional<uint32_t> selectedItem) {
    MsgCommands commands;
    commands.remove = (active == MsgPane::List && selectedRows > 0) ||
                      (active == MsgPane::Tree && selectedItem.has_value());
    commands.exportBackup = selectedItem.has_value();
    commands.exportUsers = active == MsgPane::Tree && selectedItem.has_value() &&
                           *selectedItem != store::kSystemMessagesKey;
    return commands;
}

RowDeletion deleteSelectedRows(store::RecordStore& store, uint32_t key,
                               const std::vector<store::ChatMessage>& shown,
                               std::vector<std::size_t> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    selected.erase(std::remove_if(selected.begin(), selected.end(),
                                  [&](std::size_t row) { return row >= shown.size(); }),
                   selected.end());
    RowDeletion result;
    if (selected.empty()) return result;

    // Every picked row must still be what the store holds at its position,
    // or nothing is deleted: a shifted position would hit another message.
    std::vector<store::ChatMessage> stored;  // oldest first
    store.LoadMessages(key, stored);
    for (std::size_t row : selected) {
        if (!storedAt(stored, shown.size() - 1 - row, shown[row])) {
            result.storeChanged = true;
            return result;
        }
    }
    // The first picked row goes first; each deletion shortens the list, so
    // the later rows' positions are counted from the rows that remain.
    std::size_t rowsLeft = shown.size();
    std::size_t removedBefore = 0;
    for (std::size_t row : selected) {
        const std::size_t current = row - removedBefore;
        const std::size_t position = rowsLeft - 1 - current;
        if (!storedAt(stored, position, shown[row]) ||
            !store.DeleteMessageAt(key, static_cast<uint32_t>(position))) {
            result.storeChanged = true;
            break;
        }
        stored.erase(stored.end() - 1 - static_cast<std::ptrdiff_t>(position));
        result.deletedRows.push_back(row);
        --rowsLeft;
        ++removedBefore;
    }
    return result;
}

void deleteItemMessages(store::RecordStore& store, const MsgTreeNode& item) {
    for (uint32_t key : keysOf(item)) store.DeleteKey(store::kMessageDb, key);
}

std::vector<FindEntry> findEntries(const MsgNames& names, const std::vector<uint32_t>& partners) {
    std::vector<FindEntry> entries;
    for (uint32_t key : partners) {
        const store::CUserInfo* c = names.contact(key);
        entries.push_back({key, c ? idWithName(key, c->nickname) : idText(key)});
    }
    return entries;
}

std::vector<FindHit> findMessages(store::RecordStore& store, const std::vector<FindEntry>& entries,
                                  std::size_t chosen, const std::string& needle) {
    std::vector<FindHit> hits;
    if (chosen >= entries.size()) return hits;
    // Matched as characters, not GBK bytes: a byte match can straddle two
    // double-byte characters.
    const std::string wanted = text::toUtf8(needle);
    const auto search = [&](const FindEntry& entry) {
        std::vector<store::ChatMessage> messages;
        store.LoadMessages(entry.key, messages);
        for (const store::ChatMessage& m : messages) {
            if (text::toUtf8(m.text).find(wanted) != std::string::npos) {
                hits.push_back({entry.text, m.text});
            }
        }
    };
    if (entries[chosen].key != store::kSystemMessagesKey) {
        search(entries[chosen]);
        return hits;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i != chosen) search(entries[i]);
    }
    return hits;
}

}  // namespace zemra::client::ui
