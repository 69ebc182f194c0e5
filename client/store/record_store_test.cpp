#include "client/store/record_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "client/store/berkeley_db.h"
#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

ChatMessage chat(uint32_t peer, uint32_t time, std::string text) {
    ChatMessage m;
    m.peer = peer;
    m.time = time;
    m.text = std::move(text);
    return m;
}

std::vector<std::string> textsOf(const std::vector<ChatMessage>& list) {
    std::vector<std::string> texts;
    for (const auto& m : list) texts.push_back(m.text);
    return texts;
}

// Output of a command, or empty when it could not run.
std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

class RecordStoreTest : public ::testing::Test {
  protected:
    TempDir dir;
    RecordStore store{dir.path()};
};

TEST_F(RecordStoreTest, OwnRecordOptionsAndLayoutPersistAndReplace) {
    CMyInfo me;
    EXPECT_FALSE(store.getMyInfo(me));  // first open creates an empty file
    EXPECT_TRUE(std::filesystem::exists(dir / "user.db"));

    me.id = 12345;
    me.nickname = "first";
    ASSERT_TRUE(store.putMyInfo(me));
    me.nickname = "second";
    ASSERT_TRUE(store.putMyInfo(me));
    CMyInfo back;
    ASSERT_TRUE(store.getMyInfo(back));
    EXPECT_EQ(back, me);

    CUserOptions options;
    options.applyNewUserDefaults("/data");
    ASSERT_TRUE(store.putOptions(options));
    COutbarLayout layout = COutbarLayout::forNewUser();
    ASSERT_TRUE(store.putLayout(layout));

    // A second store object (a later run) reads the same values.
    RecordStore later(dir.path());
    CUserOptions optionsBack;
    COutbarLayout layoutBack;
    ASSERT_TRUE(later.getOptions(optionsBack));
    ASSERT_TRUE(later.getLayout(layoutBack));
    EXPECT_EQ(optionsBack, options);
    EXPECT_EQ(layoutBack, layout);
}

TEST_F(RecordStoreTest, ContactEnumerationSkipsTheFixedAndReservedKeys) {
    ASSERT_TRUE(store.putMyInfo(CMyInfo{}));
    ASSERT_TRUE(store.putOptions(CUserOptions{}));
    ASSERT_TRUE(store.putLayout(COutbarLayout::forNewUser()));
    for (uint32_t id : {1u, 1000u, 0xFFFFFFF0u, 0xFFFFFFF1u, 0xFFFFFFFDu}) {
        Contact c;
        c.id = id;
        c.nickname = "n" + std::to_string(id);
        ASSERT_TRUE(store.PutRecord(kUserDb, id, c));
    }
    std::vector<Contact> contacts;
    ASSERT_TRUE(store.LoadContacts(contacts));
    std::vector<uint32_t> ids;
    for (const auto& c : contacts) ids.push_back(c.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 1000, 0xFFFFFFF0}));

    ASSERT_TRUE(store.deleteContact(1000));
    EXPECT_FALSE(store.deleteContact(1000));
    contacts.clear();
    ASSERT_TRUE(store.LoadContacts(contacts));
    EXPECT_EQ(contacts.size(), 2u);
}

TEST_F(RecordStoreTest, MessagesComeBackOldestFirstAndDeleteCountsFromTheNewest) {
    for (uint32_t t = 1; t <= 4; ++t)
        ASSERT_TRUE(store.putMessage(chat(777, t, "m" + std::to_string(t))));
    ASSERT_TRUE(store.putMessage(chat(888, 9, "other")));

    std::vector<ChatMessage> all;
    ASSERT_TRUE(store.LoadMessages(777, all));
    EXPECT_EQ(textsOf(all), (std::vector<std::string>{"m1", "m2", "m3", "m4"}));

    // The newest two, placed in front of what the list already held.
    std::vector<ChatMessage> list{chat(1, 1, "kept")};
    ASSERT_TRUE(store.LoadMessages(777, list, 2));
    EXPECT_EQ(textsOf(list), (std::vector<std::string>{"m3", "m4", "kept"}));

    ASSERT_TRUE(store.DeleteMessageAt(777, 0));  // the newest
    ASSERT_TRUE(store.DeleteMessageAt(777, 2));  // now the oldest
    EXPECT_FALSE(store.DeleteMessageAt(777, 2));
    all.clear();
    ASSERT_TRUE(store.LoadMessages(777, all));
    EXPECT_EQ(textsOf(all), (std::vector<std::string>{"m2", "m3"}));

    EXPECT_FALSE(store.LoadMessages(12, all));
    ASSERT_TRUE(store.DeleteKey(kMessageDb, 777));
    EXPECT_FALSE(store.LoadMessages(777, all));
}

TEST_F(RecordStoreTest, SystemMessagesAndPartnersAreListedOnce) {
    ASSERT_TRUE(store.putMessage(chat(kSystemAccountId, 1, "sys")));
    ChatMessage request = chat(4242, 2, "1\xFFn\xFFhello");
    request.kind = kMessageAuthRequest;
    ASSERT_TRUE(store.putMessage(request));
    ASSERT_TRUE(store.putMessage(chat(4242, 3, "a")));
    ASSERT_TRUE(store.putMessage(chat(4242, 4, "b")));

    std::vector<uint32_t> partners;
    ASSERT_TRUE(store.ListPartners(partners));
    std::sort(partners.begin(), partners.end());
    EXPECT_EQ(partners, (std::vector<uint32_t>{0, 4242}));

    std::vector<ChatMessage> system;
    ASSERT_TRUE(store.LoadMessages(kSystemMessagesKey, system));
    EXPECT_EQ(textsOf(system), (std::vector<std::string>{"sys", "1\xFFn\xFFhello"}));
}

TEST_F(RecordStoreTest, BackupAndImportAppendBehindExistingMessages) {
    ASSERT_TRUE(store.putMessage(chat(5, 1, "old1")));
    ASSERT_TRUE(store.putMessage(chat(5, 2, "old2")));
    const auto backup = dir / "5.bak";
    ASSERT_TRUE(store.BackupMessages(backup, 5));

    // A key without messages gives false and does not even create the file.
    EXPECT_FALSE(store.BackupMessages(dir / "none.bak", 6));
    EXPECT_FALSE(std::filesystem::exists(dir / "none.bak"));

    // Restore into another user's store that already talks with 5.
    TempDir otherDir;
    RecordStore other(otherDir.path());
    ASSERT_TRUE(other.putMessage(chat(5, 10, "mine")));
    ASSERT_TRUE(other.ImportMessages(backup));
    std::vector<ChatMessage> list;
    ASSERT_TRUE(other.LoadMessages(5, list));
    // Enumeration is newest first: "mine", then the imported ones in backup order.
    EXPECT_EQ(textsOf(list), (std::vector<std::string>{"old1", "old2", "mine"}));

    EXPECT_FALSE(other.ImportMessages(otherDir / "missing.bak"));
    EXPECT_FALSE(std::filesystem::exists(otherDir / "missing.bak"));
    EXPECT_FALSE(other.ImportMessages(otherDir / "msg.db"));
}

TEST_F(RecordStoreTest, FilesAreHashDatabasesWithLittleEndianKeysReadableByTheDbTools) {
    Contact c;
    c.id = 12345;  // 0x3039
    ASSERT_TRUE(store.putContact(c));
    ASSERT_TRUE(store.putMessage(chat(12345, 1, "a")));
    ASSERT_TRUE(store.putMessage(chat(12345, 2, "b")));

    const std::string user = commandOutput("db5.3_dump '" + (dir / "user.db").string() + "'");
    const std::string msg = commandOutput("db5.3_dump '" + (dir / "msg.db").string() + "'");
    ASSERT_NE(user.find("HEADER=END"), std::string::npos) << "db5.3_dump missing or failed";
    EXPECT_NE(user.find("type=hash"), std::string::npos);
    EXPECT_EQ(user.find("duplicates=1"), std::string::npos);
    EXPECT_NE(user.find("\n 39300000\n"), std::string::npos) << user;
    EXPECT_NE(msg.find("type=hash"), std::string::npos);
    EXPECT_NE(msg.find("duplicates=1"), std::string::npos);
    // Both messages sit under the same 4-byte key.
    std::size_t keys = 0;
    for (auto pos = msg.find("\n 39300000\n"); pos != std::string::npos;
         pos = msg.find("\n 39300000\n", pos + 1)) {
        ++keys;
    }
    EXPECT_EQ(keys, 2u);
}

TEST_F(RecordStoreTest, DamagedValuesReadAsEmptyFields) {
    {
        // A value that is not a whole record, written past the record layer.
        bdb::Database db(dir / "user.db", false);
        ASSERT_TRUE(db.isOpen());
        bdb::Key key(kMyInfoKey);
        const uint8_t torn[] = {0x39, 0x30, 0x00, 0x00, 7, 200, 0, 'x'};
        DBT value = bdb::valueDbt(torn);
        ASSERT_EQ(db.get()->put(db.get(), nullptr, key.dbt(), &value, 0), 0);
    }
    CMyInfo me;
    ASSERT_TRUE(store.getMyInfo(me));
    EXPECT_EQ(me.id, 12345u);
    EXPECT_EQ(me.face, 7);
    EXPECT_EQ(me.nickname, "");
    EXPECT_EQ(me.password, "");
}

TEST_F(RecordStoreTest, DamagedFilesFailOperationsWithoutCrashing) {
    for (uint32_t id = 1; id <= 300; ++id) {
        Contact c;
        c.id = id;
        c.note = std::string(200, 'x');
        ASSERT_TRUE(store.putContact(c));
        ASSERT_TRUE(store.putMessage(chat(id % 7 + 1, id, std::string(100, 'm'))));
    }
    const std::string user = readFile(dir / "user.db");
    const std::string msg = readFile(dir / "msg.db");
    std::mt19937 random(20261207);

    auto exercise = [&] {
        CMyInfo me;
        std::vector<Contact> contacts;
        std::vector<ChatMessage> messages;
        std::vector<uint32_t> partners;
        store.getMyInfo(me);
        store.LoadContacts(contacts);
        store.LoadMessages(3, messages);
        store.ListPartners(partners);
        store.DeleteMessageAt(3, 1);
        store.BackupMessages(dir / "b.bak", 3);
    };

    // Truncated at a few sizes, including inside the first page.
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}, user.size() / 2, user.size() - 1}) {
        writeFile(dir / "user.db", user.substr(0, cut));
        writeFile(dir / "msg.db", msg.substr(0, std::min(cut, msg.size())));
        exercise();
    }
    // Random bytes.
    std::string noise(8192, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    writeFile(dir / "user.db", noise);
    writeFile(dir / "msg.db", noise);
    exercise();
    CMyInfo me;
    EXPECT_FALSE(store.getMyInfo(me));
    std::vector<Contact> contacts;
    EXPECT_FALSE(store.LoadContacts(contacts));
}

}  // namespace
}  // namespace zemra::store
