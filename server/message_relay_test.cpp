#include "server/message_relay.h"

#include <gtest/gtest.h>

#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

class MessageRelayTest : public RulesFixture {
  protected:
    Outbox write(const TestClient& from, uint32_t to, const std::string& text) {
        TextMessage message;
        message.peerId = to;
        message.text = text;
        message.time = 1234;
        return send(from, buildMessage(message));
    }

    static std::vector<std::string> storedTexts(const Outbox& out, ConnectionId connection) {
        std::vector<std::string> texts;
        for (const auto& packet : packetsTo(out, connection, PT_MESSAGE_PASSIVE)) {
            texts.push_back(parseMessage(packet).text);
        }
        return texts;
    }
};

TEST_F(MessageRelayTest, StoredMessagesLeaveTheStoreOnlyOnceWrittenToTheRecipient) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    logout(a);
    write(b, a.id, "one");
    write(b, a.id, "two");

    // Queued after the login answer, but the client vanished before reading.
    Outbox out = login(a);
    EXPECT_EQ(storedTexts(out, a.connection), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(store.messageCount(a.id), 2u);
    reportWritten(out, a.connection, false);
    logout(a);
    EXPECT_EQ(store.messageCount(a.id), 2u);

    out = login(a);
    EXPECT_EQ(storedTexts(out, a.connection), (std::vector<std::string>{"one", "two"}));
    reportWritten(out, a.connection);
    EXPECT_EQ(store.messageCount(a.id), 0u);
    logout(a);
    out = login(a);
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_LOGIN_OK});
}

TEST_F(MessageRelayTest, ALoginElsewhereGetsWhatTheConnectionItReplacedLost) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    logout(a);
    write(b, a.id, "kept");

    const Outbox first = login(a);
    const ConnectionId old = a.connection;
    ASSERT_EQ(storedTexts(first, old).size(), 1u);
    // Taken over before the first connection wrote it: not sent twice...
    Outbox out = login(a);
    EXPECT_TRUE(storedTexts(out, a.connection).empty());
    // ...but sent again once the old connection has lost it.
    out = reportWritten(first, old, false);
    EXPECT_EQ(storedTexts(out, a.connection), std::vector<std::string>{"kept"});
    reportWritten(out, a.connection);
    EXPECT_EQ(store.messageCount(a.id), 0u);
}

TEST_F(MessageRelayTest, OneSenderFillsAtMostAQuarterOfAnOfflineBox) {
    TestClient a = registerUser("a");
    TestClient spammer = registerUser("spammer");
    TestClient pal = registerUser("pal");
    logout(a);
    for (std::size_t i = 0; i < ServerStore::kMaxOfflinePerSender + 50; ++i) {
        write(spammer, a.id, "buy " + std::to_string(i));
    }
    write(pal, a.id, "call me");
    const Outbox out = login(a);
    const auto texts = storedTexts(out, a.connection);
    ASSERT_EQ(texts.size(), ServerStore::kMaxOfflinePerSender + 1);
    EXPECT_EQ(texts.back(), "call me");
    EXPECT_EQ(texts[ServerStore::kMaxOfflinePerSender - 1],
              "buy " + std::to_string(ServerStore::kMaxOfflinePerSender - 1));
}

}  // namespace
}  // namespace zemra::server
