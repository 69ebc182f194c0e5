// Accounts, presence, messages, friend requests, details and searches
// against the real server.
#include <gtest/gtest.h>

#include "protocol/contact_packets.h"
#include "protocol/message_packets.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;

TEST(AccountFlowTest, TwoUsersSeeEachOtherAndExchangeMessagesOnlineAndOffline) {
    LiveServer server("127.0.3.1");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t aliceId = server.newUser("alice", "apw");
    const uint32_t bobId = server.newUser("bob", "bpw");
    ASSERT_GE(aliceId, 1000u);
    ASSERT_EQ(bobId, aliceId + 1);

    auto alice = server.loggedIn(aliceId, "apw");
    auto bob = server.loggedIn(bobId, "bpw");
    ASSERT_TRUE(alice && bob);
    EXPECT_EQ(server.loggedIn(aliceId, "wrong"), nullptr);

    // Default policy lets anyone add: alice gets bob, bob gets the notice.
    alice->send(buildSetRelation({bobId, kRelationFriend}));
    const auto added = alice->waitFor(PT_CONTACT_ADDED);
    ASSERT_TRUE(added);
    EXPECT_EQ(parseContactAdded(*added), (ContactRecord{bobId, "bob", 0, true, kRelationFriend}));
    const auto notice = bob->waitFor(PT_MESSAGE);
    ASSERT_TRUE(notice);
    EXPECT_EQ(parseMessage(*notice).kind, kMessageNotice);
    EXPECT_EQ(parseMessage(*notice).peerId, aliceId);

    // Bob leaves; alice writes to him while he is away.
    bob->close();
    const auto offline = alice->waitFor(PT_CONTACT_OFFLINE);
    ASSERT_TRUE(offline);
    EXPECT_EQ(parseUserId(*offline), bobId);
    alice->send(textMessage(bobId, "are you there?"));
    alice->send(textMessage(bobId, "call me /:)"));

    bob = server.loggedIn(bobId, "bpw");
    ASSERT_TRUE(bob);
    const auto online = alice->waitFor(PT_CONTACT_ONLINE);
    ASSERT_TRUE(online);
    EXPECT_EQ(parseUserId(*online), bobId);
    for (const char* expected : {"are you there?", "call me /:)"}) {
        const auto stored = bob->waitFor(PT_MESSAGE_PASSIVE);
        ASSERT_TRUE(stored);
        const TextMessage message = parseMessage(*stored);
        EXPECT_EQ(message.text, expected);
        EXPECT_EQ(message.peerId, aliceId);
        EXPECT_EQ(message.faceName, "\xCB\xCE\xCC\xE5");
    }

    // Online: relayed at once with the sender's ID where the recipient was.
    bob->send(textMessage(aliceId, "\xC4\xE3\xBA\xC3"));  // 你好
    const auto live = alice->waitFor(PT_MESSAGE);
    ASSERT_TRUE(live);
    EXPECT_EQ(parseMessage(*live).peerId, bobId);
    EXPECT_EQ(parseMessage(*live).text, "\xC4\xE3\xBA\xC3");

    // Invisible looks offline, visible again online.
    bob->send(buildHeaderOnly(PT_GO_INVISIBLE));
    ASSERT_TRUE(alice->waitFor(PT_CONTACT_OFFLINE));
    bob->send(buildHeaderOnly(PT_GO_VISIBLE));
    ASSERT_TRUE(alice->waitFor(PT_CONTACT_ONLINE));

    // Announce is answered; the login answer lists the contact.
    alice->send(buildHeaderOnly(PT_ANNOUNCE));
    EXPECT_TRUE(alice->waitFor(PT_ANNOUNCE_ACK));
    const auto again = server.loggedIn(aliceId, "apw");
    ASSERT_TRUE(again);
    EXPECT_TRUE(alice->waitClosed());  // the account moved to the new connection
}

TEST(AccountFlowTest, FriendRequestsFollowEachAddPolicy) {
    LiveServer server("127.0.3.2");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t aId = server.newUser("asker");
    const uint32_t authId = server.newUser("careful");
    const uint32_t nobodyId = server.newUser("hermit");
    auto asker = server.loggedIn(aId);
    auto careful = server.loggedIn(authId);
    auto hermit = server.loggedIn(nobodyId);
    ASSERT_TRUE(asker && careful && hermit);
    careful->send(buildHeaderOnly(PT_ADD_POLICY_AUTH));
    hermit->send(buildHeaderOnly(PT_ADD_POLICY_NOBODY));
    careful->send(buildHeaderOnly(PT_ANNOUNCE));  // a round trip: the policies are in
    hermit->send(buildHeaderOnly(PT_ANNOUNCE));
    ASSERT_TRUE(careful->waitFor(PT_ANNOUNCE_ACK) && hermit->waitFor(PT_ANNOUNCE_ACK));

    asker->send(buildSetRelation({nobodyId, kRelationFriend}));
    EXPECT_TRUE(asker->waitFor(PT_ADD_REFUSED));

    asker->send(buildSetRelation({authId, kRelationFriend}));
    ASSERT_TRUE(asker->waitFor(PT_ADD_NEEDS_AUTH));
    asker->send(textMessage(authId, "\xC7\xEB\xC7\xF3\xBC\xD3\xCE\xAA\xBA\xC3\xD3\xD1",
                            kMessageAuthRequest));  // 请求加为好友
    const auto request = careful->waitFor(PT_MESSAGE);
    ASSERT_TRUE(request);
    EXPECT_EQ(parseMessage(*request).kind, kMessageAuthRequest);
    EXPECT_EQ(parseMessage(*request).peerId, aId);

    // First refused, then asked again and accepted.
    careful->send(buildAuthRefuse(aId));
    const auto refused = asker->waitFor(PT_MESSAGE);
    ASSERT_TRUE(refused);
    EXPECT_EQ(parseMessage(*refused).kind, kMessageAuthRefused);
    asker->send(buildSetRelation({authId, kRelationFriend}));
    ASSERT_TRUE(asker->waitFor(PT_ADD_NEEDS_AUTH));
    careful->send(buildAuthAccept(aId));
    const auto added = asker->waitFor(PT_CONTACT_ADDED);
    ASSERT_TRUE(added);
    EXPECT_EQ(parseContactAdded(*added).userId, authId);
    EXPECT_TRUE(parseContactAdded(*added).online);
    const auto passed = asker->waitFor(PT_MESSAGE);
    ASSERT_TRUE(passed);
    EXPECT_EQ(parseMessage(*passed).kind, kMessageAuthPassed);

    // Now a friend: careful's presence reaches the asker.
    careful->close();
    EXPECT_TRUE(asker->waitFor(PT_CONTACT_OFFLINE));

    // Blacklist and removal are confirmed and stored.
    asker->send(buildSetRelation({nobodyId, kRelationBlacklist}));
    const auto blocked = asker->waitFor(PT_CONTACT_ADDED);
    ASSERT_TRUE(blocked);
    EXPECT_EQ(parseContactAdded(*blocked).relation, kRelationBlacklist);
    asker->send(buildSetRelation({authId, kRelationRemove}));
    const auto removed = asker->waitFor(PT_CONTACT_REMOVED);
    ASSERT_TRUE(removed);
    EXPECT_EQ(parseUserId(*removed), authId);
    asker->close();
    TestClient probe(server.address());
    const auto answer = probe.login(aId, "pw");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->contacts.size(), 1u);
    EXPECT_EQ(answer->contacts[0].userId, nobodyId);
    EXPECT_EQ(answer->contacts[0].relation, kRelationBlacklist);
}

TEST(AccountFlowTest, SearchesPageThroughUsersAndDetailsCanBeChanged) {
    // Two dozen registrations from one address: more than zemrad allows by default.
    LiveServer server("127.0.3.3", {"--registrations-per-hour", "1000"});
    ASSERT_TRUE(server.process.start()) << server.process.log();
    std::vector<uint32_t> pagers;
    for (int i = 0; i < 22; ++i) {
        pagers.push_back(server.newUser("Pager" + std::to_string(i), "pw", i % 2, "Wuhan"));
    }
    const uint32_t meId = server.newUser("me", "pw", 0, "Wuhan");
    auto me = server.loggedIn(meId);
    ASSERT_TRUE(me);

    const auto page = [&](uint16_t number) -> std::vector<uint32_t> {
        me->send(buildNickSearch({"pager", number}));
        std::vector<uint32_t> ids;
        if (const auto result = me->waitFor(PT_SEARCH_RESULT, 1s)) {
            for (const auto& entry : parseSearchResult(*result)) ids.push_back(entry.userId);
        }
        return ids;
    };
    EXPECT_EQ(page(0), std::vector<uint32_t>(pagers.begin(), pagers.begin() + 19));
    EXPECT_EQ(page(1), std::vector<uint32_t>(pagers.begin() + 19, pagers.end()));
    me->send(buildNickSearch({"pager", 2}));
    const auto status = me->waitFor(PT_SEARCH_STATUS);
    ASSERT_TRUE(status);
    EXPECT_EQ(parseSubCode(*status), 22);

    // Online users, women only: two of the pagers are logged in.
    auto p0 = server.loggedIn(pagers[0]);
    auto p1 = server.loggedIn(pagers[1]);
    ASSERT_TRUE(p0 && p1);
    me->send(buildOnlineSearch({0, false, false, false, true, false}));
    const auto women = me->waitFor(PT_SEARCH_RESULT);
    ASSERT_TRUE(women);
    const auto entries = parseSearchResult(*women);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].userId, pagers[1]);
    EXPECT_EQ(entries[0].status, kSearchStatusIdle);

    // Own details changed, password included; others see the public part.
    UserProfile profile;
    profile.userId = meId;
    profile.nickname = "renamed";
    profile.password = "newpw";
    profile.city = "Chengdu";
    profile.age = 33;
    profile.description = "hello there";
    profile.visibility = kVisibilityFriends;
    profile.email = "me@example.org";
    me->send(buildSetDetails(profile));
    ASSERT_TRUE(me->waitFor(PT_DETAILS_SAVED));
    profile.userId = pagers[0];
    me->send(buildSetDetails(profile));
    EXPECT_TRUE(me->waitFor(PT_DETAILS_REFUSED));

    p0->send(buildUserIdPacket(PT_GET_DETAILS, meId));
    const auto details = p0->waitFor(PT_DETAILS);
    ASSERT_TRUE(details);
    const UserDetails seen = parseDetails(*details);
    EXPECT_EQ(seen.userId, meId);
    EXPECT_EQ(seen.nickname, "renamed");
    EXPECT_EQ(seen.city, "Chengdu");
    EXPECT_EQ(seen.age, 33);
    EXPECT_EQ(seen.description, "hello there");
    EXPECT_EQ(seen.email, "");  // friends only, and p0 is not one

    me->close();
    EXPECT_EQ(server.loggedIn(meId, "pw"), nullptr);
    const auto renamed = server.loggedIn(meId, "newpw");
    ASSERT_TRUE(renamed);
}

}  // namespace
}  // namespace zemra::integration
