// Text messages between the client core and other users through the real
// zemrad: what goes out, what comes back by itself, and where incoming
// messages go.
#include <gtest/gtest.h>

#include "client/store/record_store.h"
#include "client/store/replies.h"
#include "platform/text.h"
#include "protocol/message_packets.h"
#include "tests/client/client_live_fixture.h"

namespace zemra::client::testing {
namespace {

class ClientChatTest : public ClientLiveTest {
  protected:
    ClientChatTest() : ClientLiveTest("127.0.4.4") {}

    // The next message `peer` receives, read once the client had time to send it.
    static std::optional<protocol::TextMessage> nextMessageTo(integration::TestClient& peer) {
        pumpFor(100ms);
        const auto bytes = peer.waitFor(protocol::PT_MESSAGE, 2s);
        if (!bytes) return std::nullopt;
        return protocol::parseMessage(protocol::PacketView(*bytes));
    }

    std::vector<store::ChatMessage> storedWith(uint32_t peer) {
        std::vector<store::ChatMessage> stored;
        client.core().recordStore().LoadMessages(peer, stored);
        return stored;
    }

    store::ChatMessage composed(uint32_t to, const std::string& gbkText) {
        store::ChatMessage m;
        m.peer = to;
        m.time = 1700000123;
        m.text = gbkText;
        m.faceName = text::toGbk("宋体");
        m.size = 12;
        m.colour = 0xFF;
        m.effects = 1;
        return m;
    }
};

TEST_F(ClientChatTest, AnAwayUserAnswersEachMessageOnceAndNeverAnAutomaticReply) {
    const uint32_t me = server.newUser("away");
    const uint32_t pal = server.newUser("pal");
    auto palOnline = server.loggedIn(pal);
    ASSERT_TRUE(palOnline);
    loginAs(me);
    const auto userDir = client.core().recordStore().userDir();
    ASSERT_TRUE(store::writeDefaultReplies(userDir));
    const std::string awayText = store::LoadReplies(userDir / "autoreply.txt").at(1);
    client.core().goAwayWithReply(1);
    ASSERT_EQ(client.core().ownStatus(), OwnStatus::Away);

    palOnline->send(integration::textMessage(me, "are you there?"));
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 1; }));
    const auto reply = nextMessageTo(*palOnline);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->kind, protocol::kMessageAutoReply);
    EXPECT_EQ(reply->text, awayText);
    EXPECT_EQ(reply->peerId, me);
    EXPECT_TRUE(palOnline->nothingOf(protocol::PT_MESSAGE, 300ms));  // once

    // An automatic reply from the other side is not answered.
    palOnline->send(integration::textMessage(me, "(away too)", protocol::kMessageAutoReply));
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 2; }));
    pumpFor(200ms);
    EXPECT_TRUE(palOnline->nothingOf(protocol::PT_MESSAGE, 300ms));

    // What went out is kept like any own message, between the two received.
    const auto stored = storedWith(pal);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_TRUE(stored[0].isIncoming());
    EXPECT_FALSE(stored[1].isIncoming());
    EXPECT_EQ(stored[1].kind, store::kMessageAutoReply);
    EXPECT_EQ(stored[1].text, awayText);
    EXPECT_TRUE(stored[2].isIncoming());

    // Back online: no more answers.
    client.core().goOnline();
    palOnline->send(integration::textMessage(me, "now?"));
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 3; }));
    pumpFor(200ms);
    EXPECT_TRUE(palOnline->nothingOf(protocol::PT_MESSAGE, 300ms));
}

TEST_F(ClientChatTest, ATextTooLongForOneMessageArrivesWholeInSeveral) {
    const uint32_t me = server.newUser("talker");
    const uint32_t pal = server.newUser("listener");
    auto palOnline = server.loggedIn(pal);
    ASSERT_TRUE(palOnline);
    loginAs(me);
    // 700 bytes: Chinese characters with emoticon codes among them.
    std::string long_;
    while (long_.size() < 700) long_ += text::toGbk("你好") + "/:)" + "ab";
    const auto sent = client.core().sendChatMessage(composed(pal, long_));
    ASSERT_EQ(sent.size(), 3u);

    std::string received;
    for (int i = 0; i < 3; ++i) {
        const auto part = nextMessageTo(*palOnline);
        ASSERT_TRUE(part) << i;
        EXPECT_LE(part->text.size(), protocol::kMaxMessageTextBytes);
        EXPECT_TRUE(text::gbkToUtf8(part->text).has_value()) << "cut inside a character";
        EXPECT_EQ(part->effects, 1);
        received += part->text;
    }
    EXPECT_EQ(received, long_);
    const auto stored = storedWith(pal);
    ASSERT_EQ(stored.size(), 3u);
    std::string storedText;
    for (const auto& m : stored) storedText += m.text;
    EXPECT_EQ(storedText, long_);
}

TEST_F(ClientChatTest, NothingIsSentOrStoredWithoutAConnection) {
    const uint32_t me = server.newUser("offline");
    loginAs(me);
    client.core().connection().shutdown();
    EXPECT_TRUE(client.core().sendChatMessage(composed(4242, "lost")).empty());
    EXPECT_TRUE(storedWith(4242).empty());
}

// Incoming messages handed to the core as the dispatcher does.
class ClientRoutingTest : public ClientChatTest {
  protected:
    void receive(uint32_t from, const std::string& text, uint8_t kind = protocol::kMessageText) {
        protocol::TextMessage m;
        m.kind = kind;
        m.peerId = from;
        m.text = text;
        m.time = 1700000000;
        const auto bytes = protocol::buildMessage(m);
        client.core().dispatch(protocol::PT_MESSAGE, bytes);
    }
};

TEST_F(ClientRoutingTest, DialogueModeShowsMessagesInTheChatWindowOthersWaitInTheQueue) {
    const uint32_t me = server.newUser("router");
    loginAs(me);
    receive(501, "first");  // a stranger now
    store::Contact* talker = client.core().contacts().findContact(501);
    ASSERT_NE(talker, nullptr);
    EXPECT_EQ(client.core().messageQueue().size(), 1u);
    EXPECT_TRUE(client.ui.chatWindowMessages.empty());

    talker->options |= store::kContactDialogueMode;
    receive(501, "second");
    ASSERT_EQ(client.ui.chatWindowMessages.size(), 1u);
    EXPECT_EQ(client.ui.chatWindowMessages[0].text, "second");
    EXPECT_EQ(client.core().messageQueue().size(), 1u);  // not queued
    EXPECT_EQ(storedWith(501).size(), 2u);               // but stored

    // No window could take it: it waits in the queue instead of being lost.
    client.ui.chatWindowsOpen = false;
    receive(501, "third");
    EXPECT_EQ(client.core().messageQueue().size(), 2u);
}

TEST_F(ClientRoutingTest, AWaitingMessageOpensItsViewOrTellsTheOpenOne) {
    const uint32_t me = server.newUser("viewer");
    loginAs(me);
    client.core().options().setFlag(store::kOptAutoPopupMessages, false);
    receive(601, "quiet");
    EXPECT_TRUE(client.ui.openedViews.empty());

    client.core().options().setFlag(store::kOptAutoPopupMessages, true);
    receive(602, "pops up");
    EXPECT_EQ(client.ui.openedViews, (std::vector<uint32_t>{602}));

    client.core().windows().registerWindow(WindowKind::MessageView, 602, 0x602);
    receive(602, "another");
    EXPECT_EQ(client.ui.openedViews.size(), 1u);
    EXPECT_EQ(client.ui.nextWaiting, (std::vector<uint32_t>{602}));

    // Taking messages out of the queue is announced too.
    const int before = client.ui.queueChanges;
    EXPECT_EQ(client.core().takeQueued(602)->text, "pops up");
    EXPECT_EQ(client.ui.queueChanges, before + 1);
    EXPECT_FALSE(client.core().takeQueued(777));
    EXPECT_EQ(client.ui.queueChanges, before + 1);
}

TEST_F(ClientRoutingTest, QueueOnlyMessagesAreQueuedButNeverStored) {
    const uint32_t me = server.newUser("keeper");
    loginAs(me);
    receive(701, "ping", protocol::kMessageQueuedOnly);
    EXPECT_EQ(client.core().messageQueue().size(), 1u);
    EXPECT_TRUE(storedWith(701).empty());
}

}  // namespace
}  // namespace zemra::client::testing
