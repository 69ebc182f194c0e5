#include "client/ui/msg_manager_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "client/ui/msg_manager_test_support.h"
#include "platform/testing/temp_dir.h"

namespace zemra::client::ui {
namespace {

using store::ChatMessage;
using namespace msgtest;

constexpr uint32_t kAnna = 501;
constexpr uint32_t kBert = 502;
constexpr uint32_t kCarl = 503;  // a contact in the strangers' group
constexpr uint32_t kDora = 777;  // wrote, but is no contact

class People {
  public:
    People() {
        add(kAnna, "anna", 5);
        add(kBert, "bert", 7);
        add(kCarl, "carl", 9);
    }
    MsgNames names() const {
        return MsgNames({9000, "me", 3}, [this](uint32_t id) -> const store::CUserInfo* {
            const auto found = contacts_.find(id);
            return found == contacts_.end() ? nullptr : &found->second;
        });
    }
    std::vector<MsgTreeGroup> groups() const {
        return {{"friends", {kAnna, kBert}}, {"strangers", {kCarl}}, {"blacklist", {}}};
    }

  private:
    void add(uint32_t id, const char* nickname, uint8_t face) {
        store::CUserInfo& c = contacts_[id];
        c.id = id;
        c.nickname = nickname;
        c.face = face;
    }
    std::map<uint32_t, store::CUserInfo> contacts_;
};

// --- the partner tree ---

struct Shown {
    std::string text;
    int image;
    int selectedImage;
    uint32_t value;
    bool operator==(const Shown&) const = default;
};

Shown shown(const MsgTreeNode& n) {
    return {n.text, n.image, n.selectedImage, n.value};
}

std::vector<Shown> childrenOf(const MsgTreeNode& n) {
    std::vector<Shown> out;
    for (const MsgTreeNode& child : n.children) out.push_back(shown(child));
    return out;
}

TEST(MsgPartnerTree, ShowsTheUserHisGroupsTheOtherPartnersWithTheStrangersAndSystemMessagesLast) {
    const People people;
    const MsgTreeNode root =
        buildPartnerTree(people.names(), people.groups(), {kDora, kAnna, 0, 888});
    EXPECT_EQ(shown(root), (Shown{"9000(me)", 3, 173, 0xFFFFFFFF}));
    EXPECT_EQ(childrenOf(root), (std::vector<Shown>{{"friends", 256, 256, 0xFFFFFFFF},
                                                    {"strangers", 256, 256, 0xFFFFFFFF},
                                                    {"blacklist", 256, 256, 0xFFFFFFFF},
                                                    {gbk("系统消息"), 255, 255, 0}}));
    EXPECT_EQ(childrenOf(root.children[0]),
              (std::vector<Shown>{{"501(anna)", 5, 175, kAnna}, {"502(bert)", 7, 177, kBert}}));
    // A partner in no group is a bare number beside the strangers who are contacts.
    EXPECT_EQ(childrenOf(root.children[1]),
              (std::vector<Shown>{
                  {"503(carl)", 9, 179, kCarl}, {"777", 0, 170, kDora}, {"888", 0, 170, 888}}));
    EXPECT_TRUE(root.children[2].children.empty());
}

TEST(MsgPartnerTree, FindsTheFirstItemOfAValueDepthFirstAndTheKeysBeneathAnItem) {
    const People people;
    const MsgTreeNode root = buildPartnerTree(people.names(), people.groups(), {kDora, 0});
    EXPECT_EQ(pathToValue(root, kDora), (std::vector<std::size_t>{1, 1}));
    EXPECT_EQ(pathToValue(root, 0), (std::vector<std::size_t>{3}));
    EXPECT_EQ(pathToValue(root, 0xFFFFFFFF), std::vector<std::size_t>{});  // the root
    EXPECT_FALSE(pathToValue(root, 4242).has_value());
    const MsgTreeNode* dora = nodeAt(root, {1, 1});
    ASSERT_NE(dora, nullptr);
    EXPECT_EQ(dora->value, kDora);
    EXPECT_EQ(nodeAt(root, {1, 7}), nullptr);

    EXPECT_EQ(keysOf(root), (std::vector<uint32_t>{kAnna, kBert, kCarl, kDora, 0}));
    EXPECT_EQ(keysOf(root.children[0]), (std::vector<uint32_t>{kAnna, kBert}));
    EXPECT_EQ(keysOf(root.children[2]), std::vector<uint32_t>{});
    EXPECT_EQ(keysOf(root.children[3]), std::vector<uint32_t>{0});
}

// --- commands ---

TEST(MsgCommands, DeleteAndExportsFollowTheActivePaneAndTheSelection) {
    EXPECT_TRUE(enabledCommands(MsgPane::List, 2, kAnna).remove);
    EXPECT_FALSE(enabledCommands(MsgPane::List, 0, kAnna).remove);
    EXPECT_TRUE(enabledCommands(MsgPane::Tree, 0, kAnna).remove);
    EXPECT_FALSE(enabledCommands(MsgPane::Tree, 3, std::nullopt).remove);
    // From the view nothing is deleted: it would take the whole partner.
    EXPECT_FALSE(enabledCommands(MsgPane::View, 3, kAnna).remove);

    EXPECT_TRUE(enabledCommands(MsgPane::View, 0, 0).exportBackup);
    EXPECT_FALSE(enabledCommands(MsgPane::Tree, 0, std::nullopt).exportBackup);

    EXPECT_TRUE(enabledCommands(MsgPane::Tree, 0, kAnna).exportUsers);
    EXPECT_TRUE(enabledCommands(MsgPane::Tree, 0, 0xFFFFFFFF).exportUsers);
    EXPECT_FALSE(enabledCommands(MsgPane::Tree, 0, 0).exportUsers);
    EXPECT_FALSE(enabledCommands(MsgPane::List, 1, kAnna).exportUsers);
}

// --- deleting what the list shows ---

class MsgRowDeletion : public ::testing::Test {
  protected:
    MsgRowDeletion() {
        for (int i = 1; i <= 5; ++i) put(i);
        store_.LoadMessages(kAnna, shown_);  // the list as it was filled
    }
    ChatMessage put(int n) {
        const ChatMessage m = message(kAnna, localSeconds(1, 10, 0, n), "m" + std::to_string(n));
        EXPECT_TRUE(store_.putMessage(m));
        return m;
    }
    std::vector<std::string> stored() {
        std::vector<ChatMessage> list;
        store_.LoadMessages(kAnna, list);
        std::vector<std::string> texts;
        for (const ChatMessage& m : list) texts.push_back(m.text);
        return texts;
    }

    zemra::testing::TempDir dir_;
    store::RecordStore store_{dir_.path()};
    std::vector<ChatMessage> shown_;
};

TEST_F(MsgRowDeletion, DeletesExactlyThePickedRows) {
    RowDeletion done = deleteSelectedRows(store_, kAnna, shown_, {0});
    EXPECT_FALSE(done.storeChanged);
    EXPECT_EQ(done.deletedRows, std::vector<std::size_t>{0});
    EXPECT_EQ(stored(), (std::vector<std::string>{"m2", "m3", "m4", "m5"}));

    shown_.erase(shown_.begin());
    done = deleteSelectedRows(store_, kAnna, shown_, {3, 0, 1});
    EXPECT_EQ(done.deletedRows, (std::vector<std::size_t>{0, 1, 3}));
    EXPECT_EQ(stored(), (std::vector<std::string>{"m4"}));
}

TEST_F(MsgRowDeletion, AMessageThatArrivedSinceTheListWasFilledMakesItDeleteNothing) {
    put(6);  // newest: every listed position moved by one
    const RowDeletion done = deleteSelectedRows(store_, kAnna, shown_, {0, 1});
    EXPECT_TRUE(done.storeChanged);
    EXPECT_TRUE(done.deletedRows.empty());
    EXPECT_EQ(stored(), (std::vector<std::string>{"m1", "m2", "m3", "m4", "m5", "m6"}));
}

TEST_F(MsgRowDeletion, AMessageDeletedOrReplacedElsewhereMakesItDeleteNothing) {
    ASSERT_TRUE(store_.DeleteMessageAt(kAnna, 0));  // m5, in another window
    EXPECT_TRUE(deleteSelectedRows(store_, kAnna, shown_, {1}).storeChanged);
    EXPECT_TRUE(deleteSelectedRows(store_, kAnna, shown_, {4}).storeChanged);  // m5 itself
    put(6);  // as many messages as listed again; m4 is still in its place, m5 is not
    EXPECT_TRUE(deleteSelectedRows(store_, kAnna, shown_, {3, 4}).storeChanged);
    EXPECT_EQ(stored(), (std::vector<std::string>{"m1", "m2", "m3", "m4", "m6"}));
}

TEST_F(MsgRowDeletion, MessagesImportedBehindTheListedOnesLeaveItsPositionsValid) {
    zemra::testing::TempDir other;
    store::RecordStore backup(other.path());
    ASSERT_TRUE(backup.putMessage(message(kAnna, 1, "m0")));
    ASSERT_TRUE(store_.ImportMessages(other.path() / "msg.db"));  // filed as the oldest
    const RowDeletion done = deleteSelectedRows(store_, kAnna, shown_, {0, 4});
    EXPECT_FALSE(done.storeChanged);
    EXPECT_EQ(stored(), (std::vector<std::string>{"m0", "m2", "m3", "m4"}));
}

// --- the find ---

class MsgFind : public ::testing::Test {
  protected:
    MsgFind() {
        store_.putMessage(message(kAnna, 1, "Hello there"));
        store_.putMessage(message(kAnna, 2, "hello again"));
        store_.putMessage(message(kDora, 3, gbk("中文 hello")));
        ChatMessage notice = message(store::kSystemAccountId, 4, "system hello");
        store_.putMessage(notice);
    }
    std::vector<FindEntry> entries(std::vector<uint32_t> keys) {
        return findEntries(People().names(), keys);
    }
    static std::vector<std::string> texts(const std::vector<FindHit>& hits) {
        std::vector<std::string> out;
        for (const FindHit& h : hits) out.push_back(h.where + "|" + h.text);
        return out;
    }

    zemra::testing::TempDir dir_;
    store::RecordStore store_{dir_.path()};
};

TEST_F(MsgFind, SearchesTheChosenPartnerCaseSensitively) {
    const auto e = entries({0, kAnna, kDora});
    EXPECT_EQ(e[1].text, "501(anna)");
    EXPECT_EQ(e[2].text, "777");
    EXPECT_EQ(texts(findMessages(store_, e, 1, "hello")),
              std::vector<std::string>{"501(anna)|hello again"});
    EXPECT_EQ(texts(findMessages(store_, e, 1, "Hello")),
              std::vector<std::string>{"501(anna)|Hello there"});
    EXPECT_TRUE(findMessages(store_, e, 1, "HELLO").empty());
    EXPECT_TRUE(findMessages(store_, e, 7, "hello").empty());
}

TEST_F(MsgFind, TheSystemMessagesEntrySearchesEveryOtherPartnerWhereverItIsListed) {
    EXPECT_EQ(texts(findMessages(store_, entries({0, kAnna, kDora}), 0, "hello")),
              (std::vector<std::string>{"501(anna)|hello again", "777|" + gbk("中文 hello")}));
    EXPECT_EQ(texts(findMessages(store_, entries({kDora, 0, kAnna}), 1, "hello")),
              (std::vector<std::string>{"777|" + gbk("中文 hello"), "501(anna)|hello again"}));
}

TEST_F(MsgFind, MatchesWholeCharactersNotBytesOfTwoCharacters) {
    const auto e = entries({kDora});
    // "形" is GBK D0 CE: the second byte of "中" and the first of "文".
    ASSERT_NE(gbk("中文").find(gbk("形")), std::string::npos);
    EXPECT_TRUE(findMessages(store_, e, 0, gbk("形")).empty());
    EXPECT_EQ(findMessages(store_, e, 0, gbk("中文")).size(), 1u);
}

}  // namespace
}  // namespace zemra::client::ui
