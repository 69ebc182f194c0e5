// Password guessing, registration floods and slow password hashing against
// the real zemrad: guessers are held back across connections, the owner
// still gets in from elsewhere, and logins being hashed do not hold up
// anybody else.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "protocol/simple_packets.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;
using Clock = std::chrono::steady_clock;

// PT_LOGIN_FAILED's "try again later", which held-back logins get.
constexpr uint16_t kTryLater = 14;

TEST(LoginProtectionTest, GuessesFromFiftyConnectionsAreHeldBackWhileTheOwnerGetsInElsewhere) {
    LiveServer server("127.0.11.1");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    server.clientAddress = "127.0.11.30";
    const uint32_t ownerId = server.newUser("owner", "secret");
    ASSERT_NE(ownerId, 0u);

    std::vector<int> answers;
    for (int i = 0; i < 50; ++i) {
        TestClient guesser(server.address(), 3000, "127.0.11.20");
        ASSERT_TRUE(guesser.connected()) << i;
        guesser.send(loginPacket(ownerId, "guess" + std::to_string(i)));
        const auto refused = guesser.waitFor(PT_LOGIN_FAILED);
        ASSERT_TRUE(refused) << i;
        answers.push_back(parseSubCode(*refused));
    }
    EXPECT_EQ(std::vector<int>(answers.begin(), answers.begin() + 5),
              std::vector<int>(5, kLoginFailedWrongPassword));
    // The rest are held back; a slow machine may let one more through
    // when the first hold (two seconds) runs out.
    EXPECT_GE(std::count(answers.begin() + 5, answers.end(), kTryLater), 44);

    TestClient guesserWithThePassword(server.address(), 3000, "127.0.11.20");
    guesserWithThePassword.send(loginPacket(ownerId, "secret"));
    const auto refused = guesserWithThePassword.waitFor(PT_LOGIN_FAILED);
    ASSERT_TRUE(refused);
    EXPECT_EQ(parseSubCode(*refused), kTryLater);

    const auto asked = Clock::now();
    TestClient owner(server.address(), 3000, "127.0.11.31");
    EXPECT_TRUE(owner.login(ownerId, "secret"));
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(2));
}

TEST(LoginProtectionTest, RegistrationsAreLimitedPerAddressAcrossConnections) {
    LiveServer server("127.0.11.2");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    server.clientAddress = "127.0.11.40";
    std::vector<uint32_t> ids;
    for (int i = 0; i < 21; ++i) ids.push_back(server.newUser("n" + std::to_string(i)));
    EXPECT_EQ(std::count(ids.begin(), ids.begin() + 20, 0u), 0);
    EXPECT_EQ(ids[20], 0u);
    server.clientAddress = "127.0.11.41";
    EXPECT_NE(server.newUser("elsewhere"), 0u);
    EXPECT_NE(server.process.log().find("refused: limit reached"), std::string::npos);
}

TEST(LoginProtectionTest, LoginsBeingHashedDoNotHoldUpOtherClients) {
    LiveServer server("127.0.11.3");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    server.clientAddress = "127.0.11.50";
    constexpr int kLogins = 20;  // the most one address may register
    std::vector<uint32_t> ids;
    for (int i = 0; i < kLogins; ++i) ids.push_back(server.newUser("u" + std::to_string(i)));
    auto pinger = server.loggedIn(ids[0]);
    ASSERT_TRUE(pinger);

    auto slowest = std::chrono::milliseconds(0);
    for (int round = 0; round < 3; ++round) {
        // Nineteen logins at once, each from an address of its own: each
        // costs an Argon2id hash of some 25 ms.
        std::vector<std::unique_ptr<TestClient>> logins;
        for (int i = 1; i < kLogins; ++i) {
            const std::string source = "127.0.11." + std::to_string(100 + round * 40 + i);
            logins.push_back(std::make_unique<TestClient>(server.address(), 3000, source));
            logins.back()->send(loginPacket(ids[i], "pw"));
        }
        for (int ping = 0; ping < 5; ++ping) {
            const auto sent = Clock::now();
            pinger->send(buildHeaderOnly(PT_ANNOUNCE));
            ASSERT_TRUE(pinger->waitFor(PT_ANNOUNCE_ACK));
            slowest = std::max(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            Clock::now() - sent));
        }
        for (auto& login : logins) EXPECT_TRUE(login->waitFor(PT_LOGIN_OK));
    }
    // Hashed on the event loop, they hold an answer up for 100 ms and more.
    EXPECT_LT(slowest.count(), 50) << "slowest announce answered in " << slowest.count() << " ms";
}

}  // namespace
}  // namespace zemra::integration
