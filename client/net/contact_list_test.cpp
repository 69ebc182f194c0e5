#include "client/net/contact_list.h"

#include <gtest/gtest.h>

#include "client/net/nickname_collator.h"
#include "client/store/record_codec.h"
#include "platform/text.h"

namespace zemra::client {
namespace {

class ContactListTest : public ::testing::Test {
  protected:
    ContactListTest() : list(nicknameCollator()) {
        list.load({}, store::COutbarLayout::forNewUser());
    }

    std::vector<uint32_t> idsOf(std::size_t group) const {
        std::vector<uint32_t> ids;
        for (const Contact* c : list.groups()[group].members) ids.push_back(c->id);
        return ids;
    }

    ContactList list;
};

TEST_F(ContactListTest, GroupsOrderByPresenceThenNicknameThenId) {
    list.mergeContact(5, "bob", 1, false, 0);
    list.mergeContact(3, "Bob", 1, false, 0);  // same name ignoring case: by ID
    list.mergeContact(9, "alice", 1, false, 0);
    list.mergeContact(7, "zed", 1, true, 0);
    list.mergeContact(8, "yan", 1, false, 0);
    ASSERT_TRUE(list.onContactOnline(8, 2, 0, 0, 0));  // away
    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{7, 8, 9, 3, 5}));

    // Going offline moves a contact back among the offline ones.
    ASSERT_TRUE(list.onContactOffline(7));
    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{8, 9, 3, 5, 7}));
}

TEST_F(ContactListTest, RelationCodesPickGroupAndCategory) {
    list.mergeContact(11, "friend", 1, false, 0);
    list.mergeContact(12, "stranger", 1, false, 1);
    list.mergeContact(13, "blocked", 1, false, 2);
    list.mergeContact(14, "nowhere", 1, false, 42);  // names no group: with the friends
    EXPECT_EQ(list.findContact(11)->category, ContactCategory::Ordinary);
    EXPECT_EQ(list.findContact(12)->category, ContactCategory::Stranger);
    EXPECT_EQ(list.findContact(13)->category, ContactCategory::Blacklisted);
    EXPECT_EQ(list.groupOf(*list.findContact(12)), 1u);
    EXPECT_EQ(list.groupOf(*list.findContact(13)), 2u);
    EXPECT_EQ(list.groupOf(*list.findContact(14)), 0u);
}

TEST_F(ContactListTest, ASecondLoginUpdatesNicknameAndPresenceButKeepsTheFace) {
    bool created = false;
    list.mergeContact(20, "old", 7, false, 0, &created);
    EXPECT_TRUE(created);
    list.mergeContact(20, "new", 40, true, 0, &created);
    EXPECT_FALSE(created);
    const Contact* c = list.findContact(20);
    EXPECT_EQ(c->nickname, "new");
    EXPECT_EQ(c->face, 7);
    EXPECT_EQ(c->presence, Presence::Online);
    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{20}));  // not listed twice
}

TEST_F(ContactListTest, OnlineNoticesReportTheContactsOptions) {
    Contact& c = list.mergeContact(30, "greeter", 1, false, 0);
    c.options = store::kContactGoInvisibleWhenOnline | store::kContactGreetWhenOnline;
    c.greeting = "hello";
    const auto reaction = list.onContactOnline(30, 0, 1, 2, 3);
    ASSERT_TRUE(reaction);
    EXPECT_TRUE(reaction->goInvisible);
    EXPECT_EQ(reaction->greeting, "hello");
    EXPECT_EQ(c.presenceExtra3, 3u);

    EXPECT_FALSE(list.onContactOnline(30, 1, 0, 0, 0));   // offline is not an online notice
    EXPECT_FALSE(list.onContactOnline(999, 0, 0, 0, 0));  // unknown contact
    EXPECT_FALSE(list.onContactOffline(999));
}

TEST_F(ContactListTest, LoadingAndStoringTheLayout) {
    Contact a;
    a.id = 100;
    a.nickname = "a";
    Contact b;
    b.id = 200;
    b.nickname = "b";
    Contact orphan;  // stored, but in no group (a stranger is never in the layout)
    orphan.id = 300;
    store::COutbarLayout layout = store::COutbarLayout::forNewUser();
    layout.groups[0].members = {100, 555};  // 555 has no stored contact: skipped
    layout.groups[2].members = {200};
    list.load({a, b, orphan}, layout);

    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{100}));
    EXPECT_EQ(idsOf(1), (std::vector<uint32_t>{300}));  // in no group: a stranger
    EXPECT_EQ(list.findContact(300)->category, ContactCategory::Stranger);
    EXPECT_EQ(list.findContact(200)->category, ContactCategory::Blacklisted);
    EXPECT_EQ(list.findContact(555), nullptr);

    list.moveContact(*list.findContact(100), 1);  // into the strangers
    const store::COutbarLayout saved = list.layout(layout);
    EXPECT_TRUE(saved.groups[0].members.empty());
    EXPECT_EQ(saved.groups[1].members, (std::vector<uint32_t>{300, 100}));
    EXPECT_EQ(saved.groups[2].members, (std::vector<uint32_t>{200}));
}

TEST_F(ContactListTest, StrangersStayStrangersAcrossASavedAndReloadedLayout) {
    Contact friendOf;
    friendOf.id = 100;
    friendOf.nickname = "f";
    Contact sender;  // wrote to us once; the list made him a stranger
    sender.id = 300;
    sender.nickname = "300";
    store::COutbarLayout layout = store::COutbarLayout::forNewUser();
    layout.groups[0].members = {100};
    list.load({friendOf, sender}, layout);
    list.moveContact(*list.findContact(100), 1);  // the server moved him to the strangers

    // Stored as the store keeps it: the strangers' group is written empty.
    store::RecordWriter out;
    list.layout(layout).serialize(out);
    store::RecordReader in(out.bytes());
    store::COutbarLayout reread;
    reread.deserialize(in);
    ASSERT_TRUE(reread.groups[1].members.empty());

    ContactList next(nicknameCollator());
    next.load({friendOf, sender}, reread);
    ASSERT_EQ(next.groupCount(), 3u);
    EXPECT_TRUE(next.groups()[0].members.empty());
    ASSERT_EQ(next.groups()[1].members.size(), 2u);
    EXPECT_EQ(next.findContact(100)->category, ContactCategory::Stranger);
    EXPECT_EQ(next.findContact(300)->category, ContactCategory::Stranger);
}

TEST_F(ContactListTest, TheContactTableSkipsClearedEntriesAndTheOwnEntry) {
    list.setTable({{1, "me", 0, true, 0}, {2, "x", 0, true, 10}, {3, "y", 0, false, 11}});
    EXPECT_EQ(list.findTableEntry(1), nullptr);  // entry 0 is the own user
    ASSERT_NE(list.findTableEntry(3), nullptr);
    list.clearTableEntry(3);
    EXPECT_EQ(list.findTableEntry(3), nullptr);
    EXPECT_EQ(list.findTableEntry(0), nullptr);
    EXPECT_EQ(list.table().size(), 3u);
}

// A new user's groups with "colleagues" as a second ordinary one:
// friends, colleagues, strangers, black list.
store::COutbarLayout layoutWithColleagues() {
    store::COutbarLayout layout = store::COutbarLayout::forNewUser();
    layout.groups.insert(layout.groups.begin() + 1, {text::toGbk("同事"), {}});
    return layout;
}

std::vector<std::string> groupNames(const ContactList& list) {
    std::vector<std::string> names;
    for (const ContactGroup& group : list.groups()) names.push_back(group.name);
    return names;
}

TEST_F(ContactListTest, OnlyEmptyOrdinaryGroupsCanBeRemoved) {
    const store::COutbarLayout layout = layoutWithColleagues();
    list.load({}, layout);
    const std::vector<std::string> four = groupNames(list);
    ASSERT_EQ(four.size(), 4u);
    list.mergeContact(1, "a", 0, false, 0);
    list.mergeContact(2, "b", 0, false, 1);

    // Refused, and the list stays as it was: groups with members, the
    // strangers and the black list (empty as they are), and no such group.
    for (std::size_t refused : {0u, 1u, 2u, 3u, 4u}) {
        EXPECT_FALSE(list.removeGroup(refused)) << refused;
        EXPECT_EQ(groupNames(list), four) << refused;
    }
    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{1}));
    EXPECT_EQ(idsOf(1), (std::vector<uint32_t>{2}));

    // Once emptied, colleagues goes; its former member stays where it was moved.
    list.moveContact(*list.findContact(2), 0);
    ASSERT_TRUE(list.removeGroup(1));
    EXPECT_EQ(groupNames(list), (std::vector<std::string>{four[0], four[2], four[3]}));
    EXPECT_EQ(idsOf(0), (std::vector<uint32_t>{1, 2}));
}

TEST_F(ContactListTest, TheLastOrdinaryGroupIsNeverRemoved) {
    list.load({}, layoutWithColleagues());
    const std::vector<std::string> four = groupNames(list);
    ASSERT_TRUE(list.removeGroup(1));  // empty colleagues: friends remain
    const std::vector<std::string> three{four[0], four[2], four[3]};
    ASSERT_EQ(groupNames(list), three);

    // Friends is empty too, but a list needs one ordinary group.
    EXPECT_FALSE(list.removeGroup(0));
    EXPECT_EQ(groupNames(list), three);
}

TEST_F(ContactListTest, ShowOnlyOnlineHidesOfflineContacts) {
    list.mergeContact(1, "on", 0, true, 0);
    list.mergeContact(2, "off", 0, false, 0);
    EXPECT_EQ(list.visibleMembers(0, false).size(), 2u);
    ASSERT_EQ(list.visibleMembers(0, true).size(), 1u);
    EXPECT_EQ(list.visibleMembers(0, true)[0]->id, 1u);
    list.setAllOffline();
    EXPECT_TRUE(list.visibleMembers(0, true).empty());
}

}  // namespace
}  // namespace zemra::client
