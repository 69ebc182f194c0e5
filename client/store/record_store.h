// user.db and msg.db, the two Berkeley DB hash files in a user's folder.
//
// Every operation opens the file, does its work, closes its cursor and the
// handle, and reports success: nothing stays open between operations, so a
// crash never leaves a handle behind and another tool can read the files at
// any moment. Keys are 4-byte little-endian user IDs; msg.db keeps many
// records per key, newest first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/user_records.h"

namespace zemra::store {

constexpr std::string_view kUserDb = "user.db";
constexpr std::string_view kMessageDb = "msg.db";

constexpr uint32_t kMyInfoKey = 0;
constexpr uint32_t kOptionsKey = 0xFFFFFFFF;
constexpr uint32_t kLayoutKey = 0xFFFFFFFE;
constexpr uint32_t kLastContactKey = 0xFFFFFFF0;
constexpr uint32_t kSystemMessagesKey = 0;

class RecordStore {
  public:
    // `userDir` is the current user's folder; file names are relative to it.
    explicit RecordStore(std::filesystem::path userDir) : userDir_(std::move(userDir)) {}

    const std::filesystem::path& userDir() const { return userDir_; }
    void setUserDir(std::filesystem::path dir) { userDir_ = std::move(dir); }

    // Stores a record under `key`: replaces it in user.db, files it first
    // among the key's messages in msg.db.
    bool PutRecord(std::string_view file, uint32_t key, const StoredRecord& record);
    // False if the key is absent (or the file unreadable).
    bool GetRecord(std::string_view file, uint32_t key, StoredRecord& record);
    // In msg.db this removes every message of the partner.
    bool DeleteKey(std::string_view file, uint32_t key);
    // Removes message n of a partner, counted from the newest (0).
    bool DeleteMessageAt(uint32_t key, uint32_t n);
    // Puts the newest `max` messages of `key` (all for max < 0) in front of
    // `list`, oldest first. False if the key has no messages.
    bool LoadMessages(uint32_t key, std::vector<ChatMessage>& list, int max = -1);
    // Appends one Contact per contact key of user.db.
    bool LoadContacts(std::vector<Contact>& list);
    // Appends each key of msg.db once, in database order.
    bool ListPartners(std::vector<uint32_t>& list);
    // Copies every message of `key` into the msg.db-shaped file at `path`.
    // A key without messages fails and leaves no file behind.
    bool BackupMessages(const std::filesystem::path& path, uint32_t key);
    // Adds every message of a backup file behind the existing ones. The
    // backup must exist and must not be msg.db itself.
    bool ImportMessages(const std::filesystem::path& path);

    // Typed access to the fixed keys.
    bool putMyInfo(const CMyInfo& info) { return PutRecord(kUserDb, kMyInfoKey, info); }
    bool getMyInfo(CMyInfo& info) { return GetRecord(kUserDb, kMyInfoKey, info); }
    bool putOptions(const CUserOptions& o) { return PutRecord(kUserDb, kOptionsKey, o); }
    bool getOptions(CUserOptions& o) { return GetRecord(kUserDb, kOptionsKey, o); }
    bool putLayout(const COutbarLayout& l) { return PutRecord(kUserDb, kLayoutKey, l); }
    bool getLayout(COutbarLayout& l) { return GetRecord(kUserDb, kLayoutKey, l); }
    bool putContact(const Contact& c) { return PutRecord(kUserDb, c.id, c); }
    bool deleteContact(uint32_t id) { return DeleteKey(kUserDb, id); }
    // Files the message under its partner, or under 0 for system messages.
    bool putMessage(const ChatMessage& m) { return PutRecord(kMessageDb, m.storageKey(), m); }

    static bool isContactKey(uint32_t key) { return key >= 1 && key <= kLastContactKey; }

  private:
    std::filesystem::path pathOf(std::string_view file) const { return userDir_ / file; }
    std::filesystem::path userDir_;
};

}  // namespace zemra::store
