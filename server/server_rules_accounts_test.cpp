// Logins and registrations with their password work, guessing held back,
// and store failures around a login.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "protocol/message_packets.h"
#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

const uint32_t kGuesser = htonl(0x0A000001);
const uint32_t kElsewhere = htonl(0x0A000002);

class AccountRulesTest : public RulesFixture {
  protected:
    // A login on a fresh connection from `address`; the sub-code of a
    // refusal, 0 for an accepted login, -1 for no answer.
    int loginFrom(uint32_t address, uint32_t id, const std::string& password,
                  ConnectionId* used = nullptr) {
        const ConnectionId connection = connect(address);
        if (used) *used = connection;
        return answerOf(rules.onPacket(connection, loginPacket(id, password)), connection);
    }

    static std::vector<uint8_t> loginPacket(uint32_t id, const std::string& password) {
        LoginRequest request;
        request.userId = id;
        request.password = password;
        return buildLogin(request);
    }

    static int answerOf(const Outbox& out, ConnectionId connection) {
        if (!packetsTo(out, connection, PT_LOGIN_OK).empty()) return 0;
        const auto refused = packetsTo(out, connection, PT_LOGIN_FAILED);
        return refused.empty() ? -1 : parseSubCode(refused[0]);
    }

    void sql(const std::string& statement) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir / "zemrad.db").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

TEST_F(AccountRulesTest, AnOldSha256PasswordIsReplacedAtTheNextSuccessfulLogin) {
    TestClient a = registerUser("a", "secret");
    logout(a);
    // How the store kept it before: salt, then SHA-256(salt + password).
    sql("UPDATE users SET salt = CAST('0123456789abcdef' AS BLOB), password_hash = "
        "x'c5310e3d1e5823ef77ce3a5804988a72fc60c307a0c8959f3461e202e4a8d814' WHERE id = " +
        std::to_string(a.id));

    EXPECT_EQ(loginFrom(loopback(), a.id, "wrong"), kLoginFailedWrongPassword);
    EXPECT_EQ(store.storedPassword(a.id)->salt, "0123456789abcdef");
    ConnectionId connection = 0;
    EXPECT_EQ(loginFrom(loopback(), a.id, "secret", &connection), 0);
    const StoredPassword now = *store.storedPassword(a.id);
    EXPECT_TRUE(now.hash.starts_with("$argon2id$")) << now.hash;
    EXPECT_TRUE(now.salt.empty());
    rules.onDisconnect(connection);
    EXPECT_EQ(loginFrom(loopback(), a.id, "secret"), 0);
}

TEST_F(AccountRulesTest, GuessesAreHeldBackAcrossConnectionsButTheOwnerGetsInFromElsewhere) {
    TestClient owner = registerUser("owner", "secret");
    logout(owner);
    std::vector<int> answers;
    for (int i = 0; i < 8; ++i) answers.push_back(loginFrom(kGuesser, owner.id, "guess"));
    EXPECT_EQ(answers, (std::vector<int>{11, 11, 11, 11, 11, 14, 14, 14}));
    // Held back means held back, whatever the password.
    EXPECT_EQ(loginFrom(kGuesser, owner.id, "secret"), ServerRules::kLoginTryLater);
    // The account is held now: one try from a new address, no more.
    EXPECT_EQ(loginFrom(kElsewhere, owner.id, "guess"), kLoginFailedWrongPassword);
    EXPECT_EQ(loginFrom(kElsewhere, owner.id, "guess"), ServerRules::kLoginTryLater);
    EXPECT_EQ(loginFrom(loopback(), owner.id, "secret"), 0);
    EXPECT_EQ(rules.onlineCount(), 1u);
}

TEST_F(AccountRulesTest, ALoginWaitsForItsCheckAndOneGoneMeanwhileStillCounts) {
    TestClient a = registerUser("a", "secret");
    logout(a);
    work.hold = true;
    ConnectionId waiting = 0;
    EXPECT_EQ(loginFrom(loopback(), a.id, "secret", &waiting), -1);
    // A second login while the first is checked is not checked as well.
    const Outbox second = login(a, "secret");
    EXPECT_EQ(answerOf(second, a.connection), -1);
    EXPECT_TRUE(rules.onPacket(waiting, loginPacket(a.id, "secret")).packets().empty());
    EXPECT_EQ(work.held(), 2u);
    rules.onDisconnect(a.connection);
    const Outbox out = finishWork();
    EXPECT_EQ(answerOf(out, waiting), 0);
    EXPECT_TRUE(typesTo(out, a.connection).empty());
    EXPECT_EQ(rules.userOf(waiting), a.id);

    // Guessers who hang up before their answer are counted all the same.
    for (int i = 0; i < LoginThrottle::kFreeFailures; ++i) {
        ConnectionId guess = 0;
        loginFrom(kGuesser, a.id + 1, "guess", &guess);
        rules.onDisconnect(guess);
        finishWork();
    }
    work.hold = false;
    EXPECT_EQ(loginFrom(kGuesser, a.id, "secret"), ServerRules::kLoginTryLater);
}

TEST_F(AccountRulesTest, PasswordWorkTheWorkersCannotTakeIsRefusedAtOnce) {
    TestClient a = registerUser("a", "secret");
    work.refuse = true;
    EXPECT_EQ(loginFrom(kElsewhere, a.id, "secret"), ServerRules::kLoginTryLater);

    const ConnectionId fresh = connect(kElsewhere);
    UserProfile profile;
    profile.nickname = "n";
    profile.password = "p";
    Outbox out = rules.onPacket(fresh, buildRegister(profile));
    EXPECT_EQ(parseUserId(packetsTo(out, fresh, PT_REGISTERED).at(0)), 0u);

    profile.userId = a.id;
    out = send(a, buildSetDetails(profile));
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_DETAILS_REFUSED});
}

TEST_F(AccountRulesTest, ADetailsChangeIsAnsweredOnceItsPasswordIsHashedOneAtATime) {
    TestClient a = registerUser("a", "old");
    work.hold = true;
    UserProfile profile;
    profile.userId = a.id;
    profile.nickname = "renamed";
    profile.password = "new";
    EXPECT_TRUE(send(a, buildSetDetails(profile)).packets().empty());
    EXPECT_EQ(typesTo(send(a, buildSetDetails(profile)), a.connection),
              std::vector<uint16_t>{PT_DETAILS_REFUSED});
    const Outbox out = finishWork();
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_DETAILS_SAVED});
    EXPECT_TRUE(verifyPassword(*store.storedPassword(a.id), "new"));
    EXPECT_EQ(store.findUser(a.id)->nickname, "renamed");
}

TEST_F(AccountRulesTest, AStoreFailureWhileDeliveringStoredMessagesSendsNoRefusalAfterTheAnswer) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    logout(a);
    TextMessage message;
    message.peerId = a.id;
    message.text = "kept";
    send(b, buildMessage(message));
    sql("DROP TABLE offline_messages");

    const Outbox out = login(a);
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_LOGIN_OK});
    EXPECT_FALSE(closes(out, a.connection));
    EXPECT_EQ(rules.userOf(a.connection), a.id);
}

}  // namespace
}  // namespace zemra::server
