#include "record_store.h"

#include <algorithm>
#include <system_error>

#include "client/store/berkeley_db.h"

namespace zemra::store {
namespace fs = std::filesystem;
using bdb::Cursor;
using bdb::Database;
using bdb::Key;

namespace {

bool hasDuplicates(std::string_view file) {
    return file == kMessageDb;
}

void readRecord(const DBT& value, StoredRecord& record) {
    RecordReader reader(bdb::bytesOf(value));
    record.deserialize(reader);
}

bool putWithCursor(const Database& db, uint32_t key, const StoredRecord& record) {
    Cursor cursor(db);
    if (!cursor.isOpen()) return false;
    RecordWriter writer;
    record.serialize(writer);
    Key k(key);
    DBT value = bdb::valueDbt(writer.bytes());
    return cursor.put(k.dbt(), &value, DB_KEYFIRST) == 0;
}

}  // namespace

bool RecordStore::PutRecord(std::string_view file, uint32_t key, const StoredRecord& record) {
    Database db(pathOf(file), hasDuplicates(file));
    return db.isOpen() && putWithCursor(db, key, record);
}

bool RecordStore::GetRecord(std::string_view file, uint32_t key, StoredRecord& record) {
    Database db(pathOf(file), hasDuplicates(file));
    if (!db.isOpen()) return false;
    Key k(key);
    DBT value{};
    if (db.get()->get(db.get(), nullptr, k.dbt(), &value, 0) != 0) return false;
    readRecord(value, record);
    return true;
}

bool RecordStore::DeleteKey(std::string_view file, uint32_t key) {
    Database db(pathOf(file), hasDuplicates(file));
    if (!db.isOpen()) return false;
    Key k(key);
    return db.get()->del(db.get(), nullptr, k.dbt(), 0) == 0;
}

bool RecordStore::DeleteMessageAt(uint32_t key, uint32_t n) {
    Database db(pathOf(kMessageDb), true);
    Cursor cursor(db);
    if (!cursor.isOpen()) return false;
    Key k(key);
    DBT value{};
    if (cursor.get(k.dbt(), &value, DB_SET) != 0) return false;
    for (uint32_t i = 0; i < n; ++i) {
        if (cursor.get(k.dbt(), &value, DB_NEXT_DUP) != 0) return false;
    }
    return cursor.del() == 0;
}

bool RecordStore::LoadMessages(uint32_t key, std::vector<ChatMessage>& list, int max) {
    Database db(pathOf(kMessageDb), true);
    Cursor cursor(db);
    if (!cursor.isOpen()) return false;
    Key k(key);
    DBT value{};
    if (cursor.get(k.dbt(), &value, DB_SET) != 0) return false;
    // Records come newest first; collect them and put them in front oldest first.
    std::vector<ChatMessage> loaded;
    do {
        if (max >= 0 && loaded.size() >= static_cast<std::size_t>(max)) break;
        readRecord(value, loaded.emplace_back());
    } while (cursor.get(k.dbt(), &value, DB_NEXT_DUP) == 0);
    list.insert(list.begin(), std::make_move_iterator(loaded.rbegin()),
                std::make_move_iterator(loaded.rend()));
    return true;
}

bool RecordStore::LoadContacts(std::vector<Contact>& list) {
    Database db(pathOf(kUserDb), false);
    Cursor cursor(db);
    if (!cursor.isOpen()) return false;
    DBT key{};
    DBT value{};
    while (cursor.get(&key, &value, DB_NEXT) == 0) {
        // A key that is not 4 bytes is not ours; valueOf gives 0 and it is skipped.
        if (!isContactKey(Key::valueOf(key))) continue;
        readRecord(value, list.emplace_back());
    }
    return true;
}

bool RecordStore::ListPartners(std::vector<uint32_t>& list) {
    Database db(pathOf(kMessageDb), true);
    Cursor cursor(db);
    if (!cursor.isOpen()) return false;
    DBT key{};
    DBT value{};
    while (cursor.get(&key, &value, DB_NEXT_NODUP) == 0) {
        if (key.size == 4) list.push_back(Key::valueOf(key));
    }
    return true;
}

bool RecordStore::BackupMessages(const fs::path& path, uint32_t key) {
    std::vector<ChatMessage> messages;
    if (!LoadMessages(key, messages)) return false;
    Database backup(path, true);
    if (!backup.isOpen()) return false;
    // Oldest first, each put first: the backup ends newest first, like msg.db.
    for (const ChatMessage& message : messages) {
        if (!putWithCursor(backup, key, message)) return false;
    }
    return true;
}

bool RecordStore::ImportMessages(const fs::path& path) {
    // Importing msg.db into itself would read and write one file through two
    // handles without locking, which corrupts it.
    std::error_code ec;
    if (fs::equivalent(path, pathOf(kMessageDb), ec)) return false;
    Database source(path, true, Database::Mode::ExistingReadOnly);
    Cursor cursor(source);
    if (!cursor.isOpen()) return false;
    Database target(pathOf(kMessageDb), true);
    if (!target.isOpen()) return false;
    DBT key{};
    DBT value{};
    while (cursor.get(&key, &value, DB_NEXT) == 0) {
        if (target.get()->put(target.get(), nullptr, &key, &value, 0) != 0) return false;
    }
    return true;
}

}  // namespace zemra::store
