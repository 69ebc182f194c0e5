#include "server/server_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/testing/temp_dir.h"

namespace zemra::server {
namespace {

using zemra::testing::TempDir;

UserRecord profile(const std::string& nickname) {
    UserRecord user;
    user.nickname = nickname;
    user.city = "Wuhan";
    user.face = 7;
    return user;
}

// Moves the next registration number, as years of sign-ups would.
void setNextId(const std::string& path, int64_t next) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE meta SET value = ?1 WHERE key = 'next_id'", -1, &stmt,
                                 nullptr),
              SQLITE_OK);
    sqlite3_bind_int64(stmt, 1, next);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST(ServerStoreTest, NumbersRegistrationsFrom1000AndSkipsTheServiceAccounts) {
    TempDir dir;
    const std::string path = (dir / "z.db").string();
    {
        ServerStore store(path);
        EXPECT_EQ(store.registerUser(profile("a"), "pw"), 1000u);
        EXPECT_EQ(store.registerUser(profile("b"), "pw"), 1001u);
        EXPECT_TRUE(store.storedPassword(ServerStore::kSystemId)->disabled());
        EXPECT_TRUE(store.storedPassword(ServerStore::kSupportId)->disabled());
    }
    setNextId(path, 9999);
    ServerStore store(path);
    EXPECT_EQ(store.registerUser(profile("c"), "pw"), 9999u);
    EXPECT_EQ(store.registerUser(profile("d"), "pw"), 10002u);
    EXPECT_EQ(store.registerUser(profile("e"), "pw"), 10003u);
    EXPECT_EQ(store.findUser(10001)->nickname, "\xBC\xBC\xCA\xF5\xD6\xA7\xB3\xD6");  // 技术支持
}

TEST(ServerStoreTest, KeepsAccountsRelationsAndMessagesAcrossReopening) {
    TempDir dir;
    const std::string path = (dir / "z.db").string();
    uint32_t a = 0, b = 0;
    {
        ServerStore store(path);
        a = store.registerUser(profile("\xD5\xC5\xC8\xFD"), hashPassword("secret"));  // GBK
        b = store.registerUser(profile("b"), hashPassword("pw"));
        store.setRelation(a, b, 10);
        store.setRelation(b, a, 12);
        store.setAddPolicy(b, AddPolicy::Nobody);
        store.addAuthRequest(a, b);
        ASSERT_EQ(store.storeMessage(b, a, {1, 2, 3}), OfflineStore::Stored);
        ASSERT_EQ(store.storeMessage(b, a, {4, 5}), OfflineStore::Stored);
    }
    ServerStore store(path);
    EXPECT_EQ(store.findUser(a)->nickname, "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(store.findUser(a)->city, "Wuhan");
    EXPECT_EQ(store.findUser(b)->addPolicy, AddPolicy::Nobody);
    EXPECT_TRUE(verifyPassword(*store.storedPassword(a), "secret"));
    EXPECT_FALSE(verifyPassword(*store.storedPassword(a), "Secret"));
    EXPECT_FALSE(store.storedPassword(4242).has_value());
    EXPECT_EQ(store.relation(a, b), 10);
    EXPECT_EQ(store.relation(b, a), 12);
    EXPECT_EQ(store.ownersWith(b, 10), std::vector<uint32_t>{a});
    EXPECT_TRUE(store.takeAuthRequest(a, b));
    EXPECT_FALSE(store.takeAuthRequest(a, b));
    const auto messages = store.loadMessages(b);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].packet, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(messages[1].packet, (std::vector<uint8_t>{4, 5}));
}

TEST(ServerStoreTest, StoredMessagesStayUntilDeletedOneByOne) {
    TempDir dir;
    ServerStore store((dir / "z.db").string());
    ASSERT_EQ(store.storeMessage(1000, 1001, {1}), OfflineStore::Stored);
    ASSERT_EQ(store.storeMessage(1000, 1001, {2}), OfflineStore::Stored);
    ASSERT_EQ(store.storeMessage(1002, 1001, {3}), OfflineStore::Stored);
    const auto first = store.loadMessages(1000);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(store.loadMessages(1000).size(), 2u);  // reading takes nothing away
    const int64_t written[] = {first[0].id};
    store.deleteMessages(written);
    const auto rest = store.loadMessages(1000);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].packet, std::vector<uint8_t>{2});
    EXPECT_EQ(store.messageCount(1002), 1u);
}

TEST(ServerStoreTest, APasswordChangedWhileARehashRanIsNotOverwritten) {
    TempDir dir;
    ServerStore store((dir / "z.db").string());
    const uint32_t a = store.registerUser(profile("a"), hashPassword("old"));
    const StoredPassword before = *store.storedPassword(a);
    UserRecord changed = *store.findUser(a);
    changed.nickname = "renamed";
    store.updateProfile(changed, hashPassword("new"));
    EXPECT_EQ(store.findUser(a)->nickname, "renamed");

    EXPECT_FALSE(store.replacePassword(a, before, hashPassword("old")));
    EXPECT_TRUE(verifyPassword(*store.storedPassword(a), "new"));
    EXPECT_FALSE(verifyPassword(*store.storedPassword(a), "old"));
    EXPECT_TRUE(store.replacePassword(a, *store.storedPassword(a), hashPassword("newer")));
    EXPECT_TRUE(verifyPassword(*store.storedPassword(a), "newer"));
}

TEST(ServerStoreTest, AnOfflineBoxHoldsItsLimitAndAQuarterOfItPerSender) {
    TempDir dir;
    ServerStore store((dir / "z.db").string());
    const uint32_t owner = 1000;
    constexpr std::size_t kShare = ServerStore::kMaxOfflinePerSender;
    for (std::size_t i = 0; i < kShare; ++i) {
        ASSERT_EQ(store.storeMessage(owner, 2000, {static_cast<uint8_t>(i)}), OfflineStore::Stored);
    }
    EXPECT_EQ(store.storeMessage(owner, 2000, {0xFF}), OfflineStore::SenderShareUsed);
    EXPECT_EQ(store.storeMessage(owner, 2001, {0xFF}), OfflineStore::Stored);
    // Enough senders still fill the whole box, and then nobody gets in.
    for (uint32_t sender = 2002; store.messageCount(owner) < ServerStore::kMaxOfflineMessages;
         ++sender) {
        for (std::size_t i = 0;
             i < kShare && store.messageCount(owner) < ServerStore::kMaxOfflineMessages; ++i) {
            ASSERT_EQ(store.storeMessage(owner, sender, {1}), OfflineStore::Stored);
        }
    }
    EXPECT_EQ(store.storeMessage(owner, 2999, {1}), OfflineStore::BoxFull);
    // Delivered messages give the sender his share back.
    const auto kept = store.loadMessages(owner);
    const int64_t delivered[] = {kept[0].id, kept[1].id};
    store.deleteMessages(delivered);
    EXPECT_EQ(store.storeMessage(owner, 2000, {0xFE}), OfflineStore::Stored);
}

TEST(ServerStoreTest, AStoreFromBeforeSendersWereCountedOpensWithItsMessages) {
    TempDir dir;
    const std::string path = (dir / "z.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE offline_messages (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                     "recipient INTEGER NOT NULL, packet BLOB NOT NULL);"
                     "INSERT INTO offline_messages (recipient, packet) VALUES (1000, x'0102');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    ServerStore store(path);
    const auto kept = store.loadMessages(1000);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].packet, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(store.storeMessage(1000, 1001, {3}), OfflineStore::Stored);
    EXPECT_EQ(store.loadMessages(1000).size(), 2u);
}

}  // namespace
}  // namespace zemra::server
