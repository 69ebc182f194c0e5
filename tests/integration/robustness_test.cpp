// Garbage, rule breakers and a killed server: zemrad keeps serving and
// keeps its store.
#include <gtest/gtest.h>

#include <random>

#include "protocol/call_packets.h"
#include "protocol/contact_packets.h"
#include "protocol/file_packets.h"
#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;

std::vector<uint8_t> headerClaiming(uint16_t type, uint32_t bodyLength) {
    std::vector<uint8_t> header = buildHeaderOnly(type);
    for (int i = 0; i < 4; ++i) header[12 + i] = static_cast<uint8_t>(bodyLength >> (8 * i));
    return header;
}

// Well-formed packets of every kind a client sends, as seeds for mutation.
std::vector<std::vector<uint8_t>> seeds(uint32_t someone) {
    UserProfile profile;
    profile.nickname = "fuzz";
    profile.password = "pw";
    profile.userId = someone;
    return {loginPacket(someone, "pw"),
            buildRegister(profile),
            buildSetDetails(profile),
            buildCapabilities({}),
            buildOnlineSearch({1, true, true, true, true, true}),
            buildNickSearch({"fu", 0}),
            buildUserIdPacket(PT_SEARCH_BY_ID, someone),
            buildCallRequest(someone),
            buildUserIdPacket(PT_CALL_ACCEPT, someone),
            buildUserIdPacket(PT_CALL_HANGUP, someone),
            buildAwayText("away"),
            buildCallText({someone, "hi"}),
            buildHeaderOnly(PT_ANNOUNCE),
            buildUserIdPacket(PT_GET_DETAILS, someone),
            buildFilePropose({"f", "n", someone, 10, ""}),
            buildUserIdPacket(PT_FILE_ACCEPT, someone),
            buildSetRelation({someone, kRelationFriend}),
            buildAuthAccept(someone),
            textMessage(someone, "fuzz"),
            buildHeaderOnly(PT_GO_INVISIBLE),
            buildHeaderOnly(PT_ADD_POLICY_AUTH)};
}

std::vector<uint8_t> mutate(std::vector<uint8_t> packet, std::mt19937& random) {
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips && !packet.empty(); ++i) {
        packet[random() % packet.size()] = static_cast<uint8_t>(random());
    }
    if (random() % 4 == 0) packet.resize(random() % (packet.size() + 1));
    return packet;
}

TEST(RobustnessTest, GarbageAndAbruptClosesLeaveTheServerServing) {
    // Fifty registrations from one address: more than zemrad allows by default.
    LiveServer server("127.0.3.7", {"--registrations-per-hour", "1000"});
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t victimId = server.newUser("victim");
    const uint32_t friendId = server.newUser("friend");
    auto victim = server.loggedIn(victimId);
    ASSERT_TRUE(victim);

    std::mt19937 random(20240601);
    const auto corpus = seeds(victimId);
    std::vector<std::unique_ptr<TestClient>> halfOpen;
    for (int round = 0; round < 300; ++round) {
        auto client = std::make_unique<TestClient>(server.address());
        ASSERT_TRUE(client->connected()) << "round " << round;
        switch (round % 6) {
            case 0: {  // noise
                std::vector<uint8_t> noise(1 + random() % 3000);
                for (auto& byte : noise) byte = static_cast<uint8_t>(random());
                client->send(noise);
                break;
            }
            case 1:  // a damaged packet before login
                client->send(mutate(corpus[random() % corpus.size()], random));
                break;
            case 2:  // an impossible length, then more bytes
                client->send(headerClaiming(PT_LOGIN, 0xFFFFFFF0u));
                client->send(std::vector<uint8_t>(5000, 0x41));
                break;
            case 3: {  // logged in, then a burst of damaged packets
                if (client->registerUser("fz" + std::to_string(round), "pw") == 0) break;
                for (int i = 0; i < 30; ++i) {
                    client->send(mutate(corpus[random() % corpus.size()], random));
                }
                break;
            }
            case 4:  // half a header, kept open until the end
                client->send({0, 0, 0x19});
                halfOpen.push_back(std::move(client));
                continue;
            default:  // nothing at all
                break;
        }
        if (round % 2 == 0) {
            client->abort();
        } else {
            client->close();
        }
    }
    ASSERT_TRUE(server.process.running()) << server.process.log();
    // The garbage did reach the server and was turned away for what it was.
    const std::string log = server.process.log();
    for (const char* reason : {"packet longer than the protocol allows", "before login",
                               "registered", "closed by peer"}) {
        EXPECT_NE(log.find(reason), std::string::npos) << reason;
    }

    // Still serving: a new user registers and logs in, and messages flow.
    TestClient fresh(server.address());
    const uint32_t freshId = fresh.registerUser("fresh", "pw");
    ASSERT_NE(freshId, 0u);
    fresh.close();
    ASSERT_TRUE(server.loggedIn(freshId));
    auto other = server.loggedIn(friendId);
    ASSERT_TRUE(other);
    // victim may have been taken over or fed odd packets; log in anew.
    victim = server.loggedIn(victimId);
    ASSERT_TRUE(victim);
    other->send(textMessage(victimId, "still there?"));
    const auto message = victim->waitFor(PT_MESSAGE);
    ASSERT_TRUE(message);
    EXPECT_EQ(parseMessage(*message).text, "still there?");
}

TEST(RobustnessTest, RuleBreakersAreDisconnected) {
    LiveServer server("127.0.3.8");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t id = server.newUser("user");

    TestClient early(server.address());
    early.send(textMessage(id, "before login"));
    EXPECT_TRUE(early.waitClosed());

    TestClient old(server.address());
    auto login = loginPacket(id, "pw");
    login[2] = 0x18;  // version 10008
    old.send(login);
    const auto refused = old.waitFor(PT_LOGIN_FAILED);
    ASSERT_TRUE(refused);
    EXPECT_EQ(parseSubCode(*refused), kLoginFailedUpgrade);
    EXPECT_TRUE(old.waitClosed());

    auto oversized = server.loggedIn(id);
    ASSERT_TRUE(oversized);
    oversized->send(headerClaiming(PT_MESSAGE, kMaxBodyLength + 1));
    EXPECT_TRUE(oversized->waitClosed());

    auto flooder = server.loggedIn(id);
    ASSERT_TRUE(flooder);
    std::vector<uint8_t> flood;
    for (int i = 0; i < 5000; ++i) {
        const auto announce = buildHeaderOnly(PT_ANNOUNCE);
        flood.insert(flood.end(), announce.begin(), announce.end());
    }
    flooder->send(flood);
    EXPECT_TRUE(flooder->waitClosed());
    EXPECT_TRUE(server.loggedIn(id));  // the account itself is fine
}

TEST(RobustnessTest, AKilledServerRestartsWithAccountsContactsAndStoredMessages) {
    LiveServer server("127.0.3.9");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t aId = server.newUser("a", "apw");
    const uint32_t bId = server.newUser("b", "bpw");
    {
        auto a = server.loggedIn(aId, "apw");
        ASSERT_TRUE(a);
        a->send(buildSetRelation({bId, kRelationFriend}));
        ASSERT_TRUE(a->waitFor(PT_CONTACT_ADDED));
        a->send(textMessage(bId, "written before the crash"));
        a->send(buildHeaderOnly(PT_ANNOUNCE));
        ASSERT_TRUE(a->waitFor(PT_ANNOUNCE_ACK));  // everything before it is handled
    }
    server.process.kill();
    ASSERT_FALSE(server.process.running());
    ASSERT_TRUE(server.process.start()) << server.process.log();

    auto b = server.loggedIn(bId, "bpw");
    ASSERT_TRUE(b);
    std::vector<std::string> texts;
    while (const auto stored = b->waitFor(PT_MESSAGE_PASSIVE, std::chrono::milliseconds(500))) {
        texts.push_back(parseMessage(*stored).text);
    }
    // The "added you" notice first, then the message.
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "written before the crash");

    TestClient a(server.address());
    const auto answer = a.login(aId, "apw");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->contacts.size(), 1u);
    EXPECT_EQ(answer->contacts[0].userId, bId);
    EXPECT_TRUE(answer->contacts[0].online);
    EXPECT_EQ(server.newUser("c"), bId + 1);  // numbering goes on

    EXPECT_EQ(server.process.terminate(), 0);
    EXPECT_NE(server.process.log().find("zemrad stopped"), std::string::npos);
}

}  // namespace
}  // namespace zemra::integration
