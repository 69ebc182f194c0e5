#include "client/ui/msg_manager_export.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>

#include "client/store/record_codec.h"
#include "client/ui/msg_manager_test_support.h"
#include "platform/testing/temp_dir.h"

namespace zemra::client::ui {
namespace {

using store::ChatMessage;
using namespace msgtest;
using zemra::testing::readFile;
using zemra::testing::TempDir;
using zemra::testing::writeFile;

constexpr uint32_t kAnna = 501;
constexpr uint32_t kDora = 777;  // no contact

class MsgExport : public ::testing::Test {
  protected:
    MsgExport() {
        anna_.id = kAnna;
        anna_.nickname = gbk("安娜");
        anna_.age = 31;
        anna_.gender = 1;
        anna_.country = gbk("中国");
        anna_.province = "GD";
        anna_.city = "SZ";
        anna_.email = "anna@example.org";
        anna_.address = "1 Road";
        anna_.postcode = "518000";
        anna_.phone = "555";
        anna_.realName = "Anna Li";
        anna_.bloodType = 2;
        anna_.school = "U";
        anna_.occupation = "dev";
        anna_.homepage = "http://a.example";
        anna_.note = "hi";
    }
    MsgNames names() const {
        return MsgNames({9000, "me", 3}, [this](uint32_t id) -> const store::CUserInfo* {
            return id == kAnna ? &anna_ : nullptr;
        });
    }
    MsgTreeNode tree() {
        std::vector<uint32_t> partners;
        store_.ListPartners(partners);
        return buildPartnerTree(names(), {{"friends", {kAnna}}, {"strangers", {}}, {"black", {}}},
                                partners);
    }

    store::CUserInfo anna_;
    TempDir dir_;
    store::RecordStore store_{dir_.path()};
};

TEST_F(MsgExport, APartnersBlockNamesHimAndListsHisMessagesOldestFirst) {
    const std::vector<ChatMessage> messages = {
        message(kAnna, localSeconds(5, 7, 8, 9), "hi\nthere"),
        message(kAnna, localSeconds(6, 23, 0, 1), gbk("好"), false)};
    EXPECT_EQ(partnerTextBlock(names(), kAnna, messages),
              gbk("--------------------------------------------------\n"
                  "消息对象:501(安娜)\n"
                  "--------------------------------------------------\n"
                  "2024-03-05 07:08:09  安娜\nhi\nthere\n\n"
                  "2024-03-06 23:00:01  me\n好\n\n"
                  "\n"));
    EXPECT_EQ(partnerTextBlock(names(), kDora, {message(kDora, localSeconds(1, 0, 0, 0), "x")}),
              gbk("--------------------------------------------------\n"
                  "消息对象:777(777)\n"
                  "--------------------------------------------------\n"
                  "2024-03-01 00:00:00  777\nx\n\n"
                  "\n"));
}

TEST_F(MsgExport, TheSystemMessagesBlockNamesItselfAndEachNoticesSender) {
    ChatMessage notice = message(kAnna, localSeconds(2, 12, 0, 0), "");
    notice.kind = store::kMessageAuthPassed;
    ChatMessage relayed = message(store::kSystemAccountId, localSeconds(2, 13, 0, 0), "news");
    relayed.flags |= store::kMessageRelayed;
    EXPECT_EQ(partnerTextBlock(names(), 0, {notice, relayed}),
              gbk("--------------------------------------------------\n"
                  "消息对象:系统消息\n"
                  "--------------------------------------------------\n"
                  "2024-03-02 12:00:00  501\n通过您的身份验证\n\n"
                  "2024-03-02 13:00:00  10000\nnews\n\n"
                  "\n"));
}

TEST_F(MsgExport, PickedRowsAreWrittenInRowOrderWithoutABlockHeader) {
    const std::vector<ChatMessage> rows = {message(kAnna, localSeconds(3, 9, 0, 0), "one"),
                                           message(kAnna, localSeconds(3, 9, 0, 5), "two", false)};
    EXPECT_EQ(rowsText(names(), kAnna, rows), gbk("2024-03-03 09:00:00  安娜\none\n\n"
                                                  "2024-03-03 09:00:05  me\ntwo\n\n"));
}

TEST_F(MsgExport, AContactsProfileIsOneBlockOfLabelledFields) {
    EXPECT_EQ(userInfoBlock(anna_), gbk("--------------------------------------------------\n"
                                        "消息对象:501(安娜)\n"
                                        "--------------------------------------------------\n"
                                        "网络呼机号 501\n\n"
                                        "昵称 安娜\n\n"
                                        "年龄 31\n\n"
                                        "国家/地区 中国\n\n"
                                        "省份 GD\n\n"
                                        "城市 SZ\n\n"
                                        "电子邮件 anna@example.org\n\n"
                                        "地址 1 Road\n\n"
                                        "邮编 518000\n\n"
                                        "电话号码 555\n\n"
                                        "真实姓名 Anna Li\n\n"
                                        "毕业院校 U\n\n"
                                        "职业 dev\n\n"
                                        "个人主页 http://a.example\n\n"
                                        "个人说明 hi\n\n"
                                        "\n"));
    store_.putMessage(message(kDora, 1, "d"));
    // Only contacts have a profile to write: the stranger and the system messages write nothing.
    EXPECT_EQ(itemUserInfo(names(), tree()), userInfoBlock(anna_));
}

TEST_F(MsgExport, TheFileGetsCrLfLineEndsAndAFileThatCannotBeCreatedIsReported) {
    EXPECT_EQ(withCrLf("a\nb\r\nc\n\n"), "a\r\nb\r\nc\r\n\r\n");
    const auto file = dir_ / "out.txt";
    writeFile(file, "older and longer content");
    EXPECT_EQ(writeExportFile(file, gbk("消息\nx\n")), std::nullopt);
    EXPECT_EQ(readFile(file), gbk("消息\r\nx\r\n"));

    const auto nowhere = dir_ / "missing" / "out.txt";
    const std::optional<std::string> error = writeExportFile(nowhere, "x");
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->empty());
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST_F(MsgExport, ProposesThePartnerIdAsTheNameAndKnowsTheUsersOwnDatabases) {
    EXPECT_EQ(defaultExportName(kAnna), "501");
    EXPECT_EQ(defaultExportName(0), "");
    EXPECT_EQ(defaultExportName(0xFFFFFFFF), "");
    store_.putMessage(message(kAnna, 1, "a"));
    EXPECT_TRUE(isUserDatabase(dir_.path() / "." / "msg.db", dir_.path()));
    EXPECT_TRUE(isUserDatabase(dir_ / "user.db", dir_.path()));  // not created yet
    EXPECT_FALSE(isUserDatabase(dir_ / "other" / "msg.db", dir_.path()));
}

// --- backups, read back by Berkeley DB's own dump tool ---

// The key/value pairs of a database as db5.3_dump prints them (-p: printable
// bytes as they are, a backslash doubled, every other byte as \hh).
std::vector<std::pair<std::string, std::string>> dumpPairs(const std::filesystem::path& db) {
    QProcess dump;
    dump.start("db5.3_dump", {"-p", QString::fromStdString(db.string())});
    EXPECT_TRUE(dump.waitForFinished(10000));
    EXPECT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
    const QList<QByteArray> lines = dump.readAllStandardOutput().split('\n');
    const auto decode = [](const QByteArray& line) {
        std::string bytes;
        for (qsizetype i = 1; i < line.size(); ++i) {  // each data line starts with a blank
            if (line[i] != '\\') {
                bytes += line[i];
            } else if (i + 1 < line.size() && line[i + 1] == '\\') {
                bytes += '\\';
                ++i;
            } else if (i + 2 < line.size()) {
                bytes += static_cast<char>(line.mid(i + 1, 2).toInt(nullptr, 16));
                i += 2;
            }
        }
        return bytes;
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    bool inData = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == "HEADER=END") {
            inData = true;
        } else if (lines[i] == "DATA=END") {
            break;
        } else if (inData && i + 1 < lines.size()) {
            pairs.emplace_back(decode(lines[i]), decode(lines[i + 1]));
            ++i;
        }
    }
    return pairs;
}

// "key:text" per record, in the order the dump lists them.
std::vector<std::string> dumpedMessages(const std::filesystem::path& db) {
    std::vector<std::string> out;
    for (const auto& [key, value] : dumpPairs(db)) {
        EXPECT_EQ(key.size(), 4u);
        uint32_t id = 0;
        for (int i = 3; i >= 0 && key.size() == 4; --i) id = id << 8 | uint8_t(key[i]);
        ChatMessage m;
        store::RecordReader reader({reinterpret_cast<const uint8_t*>(value.data()), value.size()});
        m.deserialize(reader);
        out.push_back(std::to_string(id) + ":" + m.text);
    }
    return out;
}

TEST_F(MsgExport, ABackupImportedIntoAFreshMsgDbHoldsEveryMessageOfTheItem) {
    store_.putMessage(message(kAnna, 1, "a1"));
    store_.putMessage(message(kAnna, 2, "a2\\slash"));
    store_.putMessage(message(kDora, 3, gbk("中文")));
    ChatMessage notice = message(store::kSystemAccountId, 4, "sys");
    store_.putMessage(notice);
    const auto backup = dir_ / "all.bak";
    EXPECT_EQ(backupItem(store_, tree(), backup), 3);  // anna, dora, the system messages

    TempDir fresh;
    store::RecordStore other(fresh.path());
    ASSERT_TRUE(other.ImportMessages(backup));
    std::vector<std::string> got = dumpedMessages(fresh / "msg.db");
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got,
              (std::vector<std::string>{"0:sys", "501:a1", "501:a2\\slash", "777:" + gbk("中文")}));
    std::vector<ChatMessage> anna;
    other.LoadMessages(kAnna, anna);
    ASSERT_EQ(anna.size(), 2u);
    EXPECT_EQ(anna[0].text, "a1");  // still oldest first
}

TEST_F(MsgExport, BackingUpTwoPartnersInTwoStepsKeepsBoth) {
    store_.putMessage(message(kAnna, 1, "a"));
    store_.putMessage(message(kDora, 2, "d"));
    const MsgTreeNode root = tree();
    const auto backup = dir_ / "two.bak";
    EXPECT_EQ(backupItem(store_, *nodeAt(root, *pathToValue(root, kAnna)), backup), 1);
    EXPECT_EQ(backupItem(store_, *nodeAt(root, *pathToValue(root, kDora)), backup), 1);
    std::vector<std::string> got = dumpedMessages(backup);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"501:a", "777:d"}));
}

TEST_F(MsgExport, BackupAllReplacesWhatTheFileHeldBefore) {
    store_.putMessage(message(kAnna, 1, "old"));
    const auto backup = dir_ / "full.bak";
    backupItem(store_, tree(), backup);
    ASSERT_TRUE(store_.DeleteKey(store::kMessageDb, kAnna));
    store_.putMessage(message(kDora, 2, "new"));
    EXPECT_TRUE(backupAll(store_, tree(), backup));
    EXPECT_EQ(dumpedMessages(backup), std::vector<std::string>{"777:new"});

    writeFile(dir_ / "not-a-db.bak", "plain text");
    EXPECT_TRUE(backupAll(store_, tree(), dir_ / "not-a-db.bak"));
    EXPECT_EQ(dumpedMessages(dir_ / "not-a-db.bak"), std::vector<std::string>{"777:new"});
}

}  // namespace
}  // namespace zemra::client::ui
