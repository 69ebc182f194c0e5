#include "server/server_rules.h"

#include <gtest/gtest.h>

#include "protocol/contact_packets.h"
#include "protocol/message_packets.h"
#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

std::vector<uint8_t> withVersion(std::vector<uint8_t> packet, uint16_t version) {
    packet[2] = static_cast<uint8_t>(version);
    packet[3] = static_cast<uint8_t>(version >> 8);
    return packet;
}

std::vector<uint8_t> loginPacket(uint32_t id, const std::string& password) {
    LoginRequest request;
    request.userId = id;
    request.password = password;
    return buildLogin(request);
}

std::vector<uint8_t> message(uint32_t to, const std::string& text, uint8_t kind = kMessageText) {
    TextMessage m;
    m.kind = kind;
    m.peerId = to;
    m.text = text;
    m.time = 1234;
    return buildMessage(m);
}

class ServerRulesTest : public RulesFixture {};

TEST_F(ServerRulesTest, RefusesLoginsWithTheRightSubCodes) {
    TestClient a = registerUser("alice", "secret");
    logout(a);

    Outbox out = login(a, "wrong");
    ASSERT_EQ(packetsTo(out, a.connection, PT_LOGIN_FAILED).size(), 1u);
    EXPECT_EQ(parseSubCode(packetsTo(out, a.connection, PT_LOGIN_FAILED)[0]), 11);
    EXPECT_FALSE(closes(out, a.connection));

    TestClient ghost{0, 4242};
    out = login(ghost, "secret");
    EXPECT_EQ(parseSubCode(packetsTo(out, ghost.connection, PT_LOGIN_FAILED).at(0)), 11);

    TestClient system{0, ServerStore::kSystemId};
    out = login(system, "");
    EXPECT_EQ(parseSubCode(packetsTo(out, system.connection, PT_LOGIN_FAILED).at(0)), 12);

    // Another protocol version or client: told to upgrade and cut off.
    const ConnectionId old = connect();
    out = rules.onPacket(old, withVersion(loginPacket(a.id, "secret"), 10008));
    EXPECT_EQ(parseSubCode(packetsTo(out, old, PT_LOGIN_FAILED).at(0)), 10);
    EXPECT_TRUE(closes(out, old));
    const ConnectionId foreign = connect();
    LoginRequest request;
    request.userId = a.id;
    request.password = "secret";
    request.clientKey = "otherkey00";
    out = rules.onPacket(foreign, buildLogin(request));
    EXPECT_EQ(parseSubCode(packetsTo(out, foreign, PT_LOGIN_FAILED).at(0)), 10);
    EXPECT_TRUE(closes(out, foreign));
    EXPECT_EQ(rules.onlineCount(), 0u);
}

TEST_F(ServerRulesTest, CutsOffConnectionsThatBreakTheRulesBeforeLogin) {
    const ConnectionId early = connect();
    Outbox out = rules.onPacket(early, message(1000, "hi"));
    EXPECT_TRUE(closes(out, early));
    EXPECT_TRUE(out.packets().empty());

    const ConnectionId shortLogin = connect();
    auto packet = loginPacket(1000, "pw");
    packet.resize(40);
    EXPECT_TRUE(closes(rules.onPacket(shortLogin, packet), shortLogin));

    TestClient a = registerUser("a", "pw");
    logout(a);
    a.connection = connect();
    for (int i = 0; i < ServerRules::kMaxFailedLogins; ++i) {
        out = rules.onPacket(a.connection, loginPacket(a.id, "guess" + std::to_string(i)));
    }
    EXPECT_TRUE(closes(out, a.connection));
}

TEST_F(ServerRulesTest, LoginAnswerCarriesOwnRecordContactsAndStoredMessagesInOrder) {
    TestClient a = registerUser("alice");
    TestClient b = registerUser("bob");
    TestClient c = registerUser("carol");
    send(a, buildSetRelation({b.id, kRelationFriend}));
    send(a, buildSetRelation({c.id, kRelationBlacklist}));
    logout(a);
    send(b, message(a.id, "first"));
    send(c, message(a.id, "from a blacklisted user"));
    send(b, message(a.id, "second"));

    Outbox out = login(a);
    const auto types = typesTo(out, a.connection);
    ASSERT_EQ(types, (std::vector<uint16_t>{PT_LOGIN_OK, PT_MESSAGE_PASSIVE, PT_MESSAGE_PASSIVE}));
    const LoginAccepted answer = parseLoginAccepted(packetsTo(out, a.connection, PT_LOGIN_OK)[0]);
    EXPECT_EQ(answer.userId, a.id);
    EXPECT_EQ(answer.nickname, "alice");
    ASSERT_EQ(answer.contacts.size(), 2u);
    EXPECT_EQ(answer.contacts[0], (ContactRecord{b.id, "bob", 0, true, kRelationFriend}));
    // Blacklisted contacts never show online: they get no presence updates.
    EXPECT_EQ(answer.contacts[1], (ContactRecord{c.id, "carol", 0, false, kRelationBlacklist}));
    const auto stored = packetsTo(out, a.connection, PT_MESSAGE_PASSIVE);
    EXPECT_EQ(parseMessage(stored[0]).text, "first");
    EXPECT_EQ(parseMessage(stored[0]).peerId, b.id);
    EXPECT_EQ(parseMessage(stored[1]).text, "second");
    // Delivered once only, once written.
    reportWritten(out, a.connection);
    logout(a);
    out = login(a);
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_LOGIN_OK});
}

TEST_F(ServerRulesTest, MessagesCarryTheRealSenderAndNoticeKindsCannotBeForged) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    auto packet = message(b.id, "hello");
    Outbox out = send(a, packet);
    const auto relayed = packetsTo(out, b.connection, PT_MESSAGE);
    ASSERT_EQ(relayed.size(), 1u);
    const TextMessage got = parseMessage(relayed[0]);
    EXPECT_EQ(got.peerId, a.id);
    EXPECT_EQ(got.text, "hello");
    EXPECT_EQ(got.time, 1234u);

    EXPECT_TRUE(send(a, message(b.id, "", kMessageAuthPassed)).packets().empty());
    EXPECT_TRUE(send(a, message(4242, "nobody")).packets().empty());
    EXPECT_EQ(
        packetsTo(send(a, message(b.id, "knock", kMessageAuthRequest)), b.connection, PT_MESSAGE)
            .size(),
        1u);
}

TEST_F(ServerRulesTest, PresenceFollowsLoginVisibilityAndBlacklist) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    send(a, buildSetRelation({b.id, kRelationFriend}));
    const auto presenceTo = [&](const Outbox& out) {
        std::vector<uint16_t> seen;
        for (uint16_t type : typesTo(out, a.connection)) {
            if (type == PT_CONTACT_ONLINE || type == PT_CONTACT_OFFLINE) seen.push_back(type);
        }
        return seen;
    };

    EXPECT_EQ(presenceTo(logout(b)), std::vector<uint16_t>{PT_CONTACT_OFFLINE});
    EXPECT_EQ(presenceTo(login(b)), std::vector<uint16_t>{PT_CONTACT_ONLINE});
    EXPECT_EQ(parseUserId(packetsTo(login(b), a.connection, PT_CONTACT_ONLINE).at(0)), b.id);
    EXPECT_EQ(presenceTo(send(b, buildHeaderOnly(PT_GO_INVISIBLE))),
              std::vector<uint16_t>{PT_CONTACT_OFFLINE});
    EXPECT_TRUE(presenceTo(send(b, buildHeaderOnly(PT_GO_INVISIBLE))).empty());
    EXPECT_TRUE(presenceTo(logout(b)).empty());  // already looked offline

    EXPECT_TRUE(presenceTo(login(b, "pw", true)).empty());
    EXPECT_EQ(presenceTo(send(b, buildHeaderOnly(PT_GO_VISIBLE))),
              std::vector<uint16_t>{PT_CONTACT_ONLINE});
    EXPECT_TRUE(presenceTo(send(b, buildHeaderOnly(PT_GO_VISIBLE))).empty());

    // b blacklists a: a sees b go offline, and lifting it brings b back.
    EXPECT_EQ(presenceTo(send(b, buildSetRelation({a.id, kRelationBlacklist}))),
              std::vector<uint16_t>{PT_CONTACT_OFFLINE});
    EXPECT_TRUE(presenceTo(logout(b)).empty());
    EXPECT_TRUE(presenceTo(login(b)).empty());
    EXPECT_EQ(presenceTo(send(b, buildSetRelation({a.id, kRelationRemove}))),
              std::vector<uint16_t>{PT_CONTACT_ONLINE});
}

TEST_F(ServerRulesTest, AddPoliciesDecideHowAFriendRequestEnds) {
    TestClient a = registerUser("a");
    TestClient anyone = registerUser("anyone");
    TestClient careful = registerUser("careful");
    TestClient hermit = registerUser("hermit");
    send(careful, buildHeaderOnly(PT_ADD_POLICY_AUTH));
    send(hermit, buildHeaderOnly(PT_ADD_POLICY_NOBODY));

    Outbox out = send(a, buildSetRelation({anyone.id, kRelationFriend}));
    const ContactRecord added =
        parseContactAdded(packetsTo(out, a.connection, PT_CONTACT_ADDED).at(0));
    EXPECT_EQ(added, (ContactRecord{anyone.id, "anyone", 0, true, kRelationFriend}));
    const auto notice = packetsTo(out, anyone.connection, PT_MESSAGE);
    ASSERT_EQ(notice.size(), 1u);
    EXPECT_EQ(parseMessage(notice[0]).kind, kMessageNotice);
    EXPECT_EQ(parseMessage(notice[0]).peerId, a.id);

    EXPECT_EQ(typesTo(send(a, buildSetRelation({hermit.id, kRelationFriend})), a.connection),
              std::vector<uint16_t>{PT_ADD_REFUSED});
    EXPECT_EQ(typesTo(send(a, buildSetRelation({a.id, kRelationFriend})), a.connection),
              std::vector<uint16_t>{PT_ADD_REFUSED});

    // Authentication: an acceptance without a request is ignored.
    TestClient b = registerUser("b");
    EXPECT_TRUE(send(careful, buildAuthAccept(b.id)).packets().empty());
    EXPECT_EQ(typesTo(send(a, buildSetRelation({careful.id, kRelationFriend})), a.connection),
              std::vector<uint16_t>{PT_ADD_NEEDS_AUTH});
    EXPECT_EQ(store.relation(a.id, careful.id), 0);
    out = send(careful, buildAuthAccept(a.id));
    EXPECT_EQ(typesTo(out, a.connection), (std::vector<uint16_t>{PT_CONTACT_ADDED, PT_MESSAGE}));
    EXPECT_EQ(parseMessage(packetsTo(out, a.connection, PT_MESSAGE)[0]).kind, kMessageAuthPassed);
    EXPECT_EQ(store.relation(a.id, careful.id), kRelationFriend);
    EXPECT_EQ(store.relation(careful.id, a.id), 0);                       // lists stay one-way
    EXPECT_TRUE(send(careful, buildAuthAccept(a.id)).packets().empty());  // answered once

    // Refusal reaches an offline requester at his next login.
    send(b, buildSetRelation({careful.id, kRelationFriend}));
    logout(b);
    send(careful, buildAuthRefuse(b.id));
    out = login(b);
    const auto refused = packetsTo(out, b.connection, PT_MESSAGE_PASSIVE);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(parseMessage(refused[0]).kind, kMessageAuthRefused);
    EXPECT_EQ(parseMessage(refused[0]).peerId, careful.id);
}

TEST_F(ServerRulesTest, RemovalAndBlacklistAreConfirmed) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    send(a, buildSetRelation({b.id, kRelationFriend}));
    Outbox out = send(a, buildSetRelation({b.id, kRelationRemove}));
    EXPECT_EQ(parseUserId(packetsTo(out, a.connection, PT_CONTACT_REMOVED).at(0)), b.id);
    EXPECT_EQ(store.relation(a.id, b.id), 0);

    out = send(b, buildSetRelation({a.id, kRelationBlacklist}));
    EXPECT_EQ(parseContactAdded(packetsTo(out, b.connection, PT_CONTACT_ADDED).at(0)).relation,
              kRelationBlacklist);
    // A blacklisted user can no longer add, write to or call the one who blocked him.
    EXPECT_EQ(typesTo(send(a, buildSetRelation({b.id, kRelationFriend})), a.connection),
              std::vector<uint16_t>{PT_ADD_REFUSED});
    EXPECT_TRUE(send(a, message(b.id, "let me in")).packets().empty());
}

TEST_F(ServerRulesTest, DetailsHidePrivateFieldsAndChangesNeedTheOwnId) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    UserProfile profile;
    profile.userId = a.id;
    profile.nickname = "alice";
    profile.password = "newpw";
    profile.email = "a@example.org";
    profile.phone = "555";
    profile.city = "Xi'an";
    profile.visibility = kVisibilityFriends;
    EXPECT_EQ(typesTo(send(a, buildSetDetails(profile)), a.connection),
              std::vector<uint16_t>{PT_DETAILS_SAVED});

    UserDetails seen = parseDetails(
        packetsTo(send(b, buildUserIdPacket(PT_GET_DETAILS, a.id)), b.connection, PT_DETAILS)
            .at(0));
    EXPECT_EQ(seen.nickname, "alice");
    EXPECT_EQ(seen.city, "Xi'an");
    EXPECT_EQ(seen.email, "");
    EXPECT_EQ(seen.phone, "");
    send(a, buildSetRelation({b.id, kRelationFriend}));
    seen = parseDetails(
        packetsTo(send(b, buildUserIdPacket(PT_GET_DETAILS, a.id)), b.connection, PT_DETAILS)
            .at(0));
    EXPECT_EQ(seen.email, "a@example.org");
    EXPECT_TRUE(send(b, buildUserIdPacket(PT_GET_DETAILS, 4242)).packets().empty());

    profile.userId = b.id;  // someone else's record
    EXPECT_EQ(typesTo(send(a, buildSetDetails(profile)), a.connection),
              std::vector<uint16_t>{PT_DETAILS_REFUSED});
    profile.userId = a.id;
    profile.nickname = "   ";
    EXPECT_EQ(typesTo(send(a, buildSetDetails(profile)), a.connection),
              std::vector<uint16_t>{PT_DETAILS_REFUSED});

    logout(a);
    Outbox out = login(a, "pw");
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_LOGIN_FAILED});
    out = login(a, "newpw");
    EXPECT_EQ(typesTo(out, a.connection).at(0), PT_LOGIN_OK);
}

TEST_F(ServerRulesTest, ASecondLoginTakesTheAccountOverAndShortPacketsAreDropped) {
    TestClient a = registerUser("a");
    const ConnectionId first = a.connection;
    Outbox out = login(a);
    EXPECT_TRUE(closes(out, first));
    EXPECT_EQ(rules.userOf(first), 0u);
    EXPECT_EQ(rules.userOf(a.connection), a.id);
    // The old connection going away later does not log the new one out.
    rules.onDisconnect(first);
    EXPECT_EQ(rules.onlineCount(), 1u);

    auto shortMessage = message(a.id, "x");
    shortMessage.resize(100);
    out = send(a, shortMessage);
    EXPECT_TRUE(out.packets().empty());
    EXPECT_FALSE(closes(out, a.connection));
    EXPECT_EQ(typesTo(send(a, buildHeaderOnly(PT_ANNOUNCE)), a.connection),
              std::vector<uint16_t>{PT_ANNOUNCE_ACK});
    EXPECT_TRUE(send(a, buildHeaderOnly(999)).packets().empty());
}

TEST_F(ServerRulesTest, RegistrationNeedsNicknameAndPasswordAndIsLimitedPerConnection) {
    const ConnectionId connection = connect();
    UserProfile profile;
    profile.nickname = "n";
    Outbox out = rules.onPacket(connection, buildRegister(profile));
    EXPECT_EQ(parseUserId(packetsTo(out, connection, PT_REGISTERED).at(0)), 0u);
    profile.password = "p";
    uint32_t last = 0;
    for (int i = 1; i < ServerRules::kMaxRegistrations; ++i) {
        out = rules.onPacket(connection, buildRegister(profile));
        last = parseUserId(packetsTo(out, connection, PT_REGISTERED).at(0));
    }
    EXPECT_EQ(last, 1001u);  // the first attempt counted too
    EXPECT_EQ(rules.userOf(connection), 1001u);
    out = rules.onPacket(connection, buildRegister(profile));
    EXPECT_EQ(parseUserId(packetsTo(out, connection, PT_REGISTERED).at(0)), 0u);
}

}  // namespace
}  // namespace zemra::server
