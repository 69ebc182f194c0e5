// What the message manager writes out: messages and contacts' profiles as
// text (GBK), and messages as backup databases shaped like msg.db.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/record_store.h"
#include "client/store/user_records.h"
#include "client/ui/msg_manager_rules.h"

namespace zemra::client::ui {

// One message as the text export writes it: date, time, sender, then the
// displayed text on its own line and an empty line.
std::string messageTextEntry(const std::string& sender, const store::ChatMessage& message);

// One partner's block: a header naming the partner between two rules, each
// message oldest first, and an empty line.
std::string partnerTextBlock(const MsgNames& names, uint32_t key,
                             const std::vector<store::ChatMessage>& messages);

// The blocks of every key a tree item stands for, read from the store.
std::string itemText(store::RecordStore& store, const MsgNames& names, const MsgTreeNode& item);

// Rows picked in the list of `key`, in row order, each written like a
// block's message.
std::string rowsText(const MsgNames& names, uint32_t key,
                     const std::vector<store::ChatMessage>& rows);

// A contact's public profile as one block.
std::string userInfoBlock(const store::CUserInfo& info);

// The profile blocks of every contact a tree item stands for; keys of
// people who are no contacts write nothing.
std::string itemUserInfo(const MsgNames& names, const MsgTreeNode& item);

// "\n" line ends become "\r\n"; ends that already are "\r\n" stay.
std::string withCrLf(std::string_view text);

// The name a save dialog proposes: the partner ID of the selected item, or
// nothing for the root, the groups and the system messages.
std::string defaultExportName(std::optional<uint32_t> selectedValue);

// Whether `file` is one of the user's own databases in `userDir`, which an
// export must never overwrite nor an import read.
bool isUserDatabase(const std::filesystem::path& file, const std::filesystem::path& userDir);

// Writes `text` with "\r\n" line ends, replacing the file. The system's
// reason when the file cannot be created or written.
std::optional<std::string> writeExportFile(const std::filesystem::path& file,
                                           std::string_view text);

// Copies the messages of every key the item stands for into the backup at
// `file`, keeping what it held. Returns how many keys were copied (keys
// without messages copy nothing).
int backupItem(store::RecordStore& store, const MsgTreeNode& item,
               const std::filesystem::path& file);

// A fresh backup of the whole tree: an existing file of that name is removed
// first. False when it cannot be removed.
bool backupAll(store::RecordStore& store, const MsgTreeNode& root,
               const std::filesystem::path& file);

}  // namespace zemra::client::ui
