#include "server/server_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/testing/temp_dir.h"
#include "server/sha256.h"

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
        EXPECT_EQ(store.checkPassword(ServerStore::kSystemId, ""), PasswordCheck::Disabled);
        EXPECT_EQ(store.checkPassword(ServerStore::kSupportId, ""), PasswordCheck::Disabled);
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
        a = store.registerUser(profile("\xD5\xC5\xC8\xFD"), "secret");  // GBK nickname
        b = store.registerUser(profile("b"), "pw");
        store.setRelation(a, b, 10);
        store.setRelation(b, a, 12);
        store.setAddPolicy(b, AddPolicy::Nobody);
        store.addAuthRequest(a, b);
        ASSERT_TRUE(store.storeMessage(b, {1, 2, 3}));
        ASSERT_TRUE(store.storeMessage(b, {4, 5}));
    }
    ServerStore store(path);
    EXPECT_EQ(store.findUser(a)->nickname, "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(store.findUser(a)->city, "Wuhan");
    EXPECT_EQ(store.findUser(b)->addPolicy, AddPolicy::Nobody);
    EXPECT_EQ(store.checkPassword(a, "secret"), PasswordCheck::Ok);
    EXPECT_EQ(store.checkPassword(a, "Secret"), PasswordCheck::Wrong);
    EXPECT_EQ(store.checkPassword(4242, "secret"), PasswordCheck::Unknown);
    EXPECT_EQ(store.relation(a, b), 10);
    EXPECT_EQ(store.relation(b, a), 12);
    EXPECT_EQ(store.ownersWith(b, 10), std::vector<uint32_t>{a});
    EXPECT_TRUE(store.takeAuthRequest(a, b));
    EXPECT_FALSE(store.takeAuthRequest(a, b));
    const auto messages = store.takeMessages(b);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(messages[1], (std::vector<uint8_t>{4, 5}));
    EXPECT_TRUE(store.takeMessages(b).empty());
}

TEST(ServerStoreTest, PasswordsAreSaltedAndChangeable) {
    TempDir dir;
    ServerStore store((dir / "z.db").string());
    const uint32_t a = store.registerUser(profile("a"), "same");
    const uint32_t b = store.registerUser(profile("b"), "same");
    UserRecord changed = *store.findUser(a);
    changed.nickname = "renamed";
    store.updateProfile(changed, "new");
    EXPECT_EQ(store.checkPassword(a, "same"), PasswordCheck::Wrong);
    EXPECT_EQ(store.checkPassword(a, "new"), PasswordCheck::Ok);
    EXPECT_EQ(store.checkPassword(b, "same"), PasswordCheck::Ok);
    EXPECT_EQ(store.findUser(a)->nickname, "renamed");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "z.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  db, "SELECT COUNT(DISTINCT password_hash) FROM users WHERE id IN (1000, 1001)",
                  -1, &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 2);  // same password, different hashes
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST(ServerStoreTest, AnOfflineBoxHoldsAtMostItsLimit) {
    TempDir dir;
    ServerStore store((dir / "z.db").string());
    const uint32_t a = store.registerUser(profile("a"), "pw");
    for (std::size_t i = 0; i < ServerStore::kMaxOfflineMessages; ++i) {
        ASSERT_TRUE(store.storeMessage(a, {static_cast<uint8_t>(i)}));
    }
    EXPECT_FALSE(store.storeMessage(a, {0xFF}));
    const auto messages = store.takeMessages(a);
    ASSERT_EQ(messages.size(), ServerStore::kMaxOfflineMessages);
    EXPECT_EQ(messages.front()[0], 0);
    EXPECT_TRUE(store.storeMessage(a, {1}));
}

TEST(Sha256Test, MatchesKnownDigests) {
    EXPECT_EQ(Sha256::hex(Sha256::of("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::hex(Sha256::of("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Fed in uneven pieces across block boundaries.
    const std::string text(1000, 'a');
    Sha256 hash;
    for (std::size_t i = 0; i < text.size(); i += 37)
        hash.update(std::string_view(text).substr(i, 37));
    EXPECT_EQ(Sha256::hex(hash.finish()), Sha256::hex(Sha256::of(text)));
    EXPECT_EQ(Sha256::hex(Sha256::of(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace zemra::server
