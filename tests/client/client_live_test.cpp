// The client core against the real zemrad: login, the contact list and
// presence, reconnecting, and what the user is told along the way.
#include <gtest/gtest.h>

#include "client/store/login_ids.h"
#include "client/store/record_store.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "protocol/contact_packets.h"
#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/profile_packets.h"
#include "protocol/simple_packets.h"
#include "tests/client/client_harness.h"
#include "tests/client/client_live_fixture.h"
#include "tests/integration/live_server.h"

namespace zemra::client::testing {
namespace {

using integration::LiveServer;
using integration::TestClient;

class ClientLoginTest : public ClientLiveTest {
  protected:
    ClientLoginTest() : ClientLiveTest("127.0.4.1") {}
};

TEST_F(ClientLoginTest, ANewUserRegistersThroughTheWizardAndLaterLogsIn) {
    LoginDialogResult toWizard;
    toWizard.kind = LoginDialogResult::Kind::Register;
    client.ui.loginAnswers.push_back(toWizard);
    client.ui.wizard = [&] {
        if (!client.core().connection().connectToServer()) return false;
        protocol::UserProfile profile;
        profile.nickname = "newbie";
        profile.password = "secret";
        client.core().send(protocol::buildRegister(profile));
        if (!waitUntil([&] { return !client.ui.registeredIds.empty(); })) return false;
        client.core().setWizardAccount(client.ui.registeredIds.front(), " secret ");
        return true;
    };
    ASSERT_TRUE(client.core().start());
    const uint32_t id = client.core().ownId();
    EXPECT_GE(id, 1000u);
    EXPECT_EQ(client.core().ownStatus(), OwnStatus::Online);
    EXPECT_EQ(store::LoadLoginIds(client.config.baseDir / "config"), std::vector<uint32_t>{id});

    // The new user's local data is complete: a later start logs in with it.
    client.restart();
    client.ui.loginAnswers.push_back(acceptLogin(id, "secret"));
    ASSERT_TRUE(client.core().start());
    ASSERT_TRUE(waitUntil([&] { return client.core().loggedIn(); }));
    EXPECT_TRUE(client.ui.questions.empty());  // no "damaged data" question
    EXPECT_EQ(client.ui.title, "zemra_" + std::to_string(id));
}

TEST_F(ClientLoginTest, AWrongPasswordIsToldAndTheLoginOffered) {
    const uint32_t id = server.newUser("someone", "right");
    client.seedLocalUser(id);
    client.ui.loginAnswers.push_back(acceptLogin(id, "wrong"));
    ASSERT_TRUE(client.core().start());
    ASSERT_TRUE(waitUntil([&] { return client.ui.loginDialogsShown == 2; }));
    EXPECT_TRUE(client.ui.sawMessage("ID号或密码不对,请核对"));
    // Cancelled the second time: the client stays up, logged out, connected.
    EXPECT_FALSE(client.core().loggedIn());
    EXPECT_TRUE(client.core().connection().connected());
}

TEST_F(ClientLoginTest, InvisibleLoginStaysHiddenFromFriends) {
    const uint32_t me = server.newUser("hider");
    const uint32_t shower = server.newUser("shower");
    const uint32_t friendId = server.newUser("watcher");
    auto watcher = server.loggedIn(friendId);
    ASSERT_TRUE(watcher);
    for (uint32_t id : {me, shower}) {
        watcher->send(protocol::buildSetRelation({id, protocol::kRelationFriend}));
        ASSERT_TRUE(watcher->waitFor(protocol::PT_CONTACT_ADDED));
    }

    loginAs(me, "pw", /*invisible=*/true);
    EXPECT_EQ(client.core().ownStatus(), OwnStatus::Invisible);
    EXPECT_TRUE(client.core().options().hasFlag(store::kOptLoginInvisible));
    EXPECT_TRUE(watcher->nothingOf(protocol::PT_CONTACT_ONLINE, 500ms));

    // The silence is not a missing session: the server relays what the hider
    // writes, under his own ID, which it only does for a logged-in user.
    client.core().send(integration::textMessage(friendId, "still here"));
    const auto relayed = watcher->waitFor(protocol::PT_MESSAGE);
    ASSERT_TRUE(relayed);
    EXPECT_EQ(protocol::parseMessage(*relayed).peerId, me);
    EXPECT_EQ(protocol::parseMessage(*relayed).text, "still here");

    // Going visible is what tells the friend.
    client.core().goOnline();
    const auto shown = watcher->waitFor(protocol::PT_CONTACT_ONLINE);
    ASSERT_TRUE(shown);
    EXPECT_EQ(protocol::parseUserId(*shown), me);

    // A visible login by the same client, watched the same way, is told
    // within the window the invisible one stayed quiet for.
    client.restart();
    loginAs(shower);
    EXPECT_EQ(client.core().ownStatus(), OwnStatus::Online);
    const auto arrived = watcher->waitFor(protocol::PT_CONTACT_ONLINE, 500ms);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(protocol::parseUserId(*arrived), shower);
}

TEST_F(ClientLoginTest, ChangedSettingsAreOnDiskAtOnceAlsoWhileTheLinkIsDown) {
    const uint32_t id = server.newUser("keeper", "pw");
    loginAs(id, "pw");
    const auto ini = paths::userDirIn(client.config.baseDir, id) / "zemra.ini";
    // The login's choices are kept as soon as the server took them.
    EXPECT_EQ(profile::getInt(ini, "zemra", "save", -1), 1);

    client.core().settings().callModel = 1;
    client.core().optionsChanged();
    EXPECT_EQ(profile::getInt(ini, "zemra", "callmodel", -1), 1);
    EXPECT_EQ(client.core().callMode(), 1);

    server.process.kill();
    ASSERT_TRUE(waitUntil([&] { return !client.core().loggedIn(); }));
    client.core().settings().isTop = 1;
    client.core().optionsChanged();
    EXPECT_EQ(profile::getInt(ini, "zemra", "istop", -1), 1);
}

TEST_F(ClientLoginTest, DamagedLocalDataAsksForTheWizard) {
    const uint32_t id = server.newUser("damaged");
    client.seedLocalUser(id);
    store::RecordStore store(paths::userDirIn(client.config.baseDir, id));
    ASSERT_TRUE(store.DeleteKey(store::kUserDb, store::kLayoutKey));
    client.ui.loginAnswers.push_back(acceptLogin(id, "pw"));
    client.ui.yesNoAnswer = false;
    EXPECT_FALSE(client.core().start());
    ASSERT_EQ(client.ui.questions.size(), 1u);
    EXPECT_EQ(client.ui.questions[0], "用户信息已损坏，是否使用注册向导修复?");

    // A truncated user.db is damaged data too, never a crash.
    const auto userDb = paths::userDirIn(client.config.baseDir, id) / "user.db";
    std::filesystem::resize_file(userDb, std::filesystem::file_size(userDb) / 3);
    client.restart();
    client.ui.loginAnswers.push_back(acceptLogin(id, "pw"));
    EXPECT_FALSE(client.core().start());
    EXPECT_EQ(client.ui.questions.size(), 2u);
}

class ClientContactsTest : public ClientLiveTest {
  protected:
    ClientContactsTest() : ClientLiveTest("127.0.4.2") {}
};

TEST_F(ClientContactsTest, TheListArrivesGroupedAndOrderedAndFollowsPresence) {
    // Registered in this order, so IDs ascend down the list while nicknames
    // do not: a list sorted by ID, by raw bytes (capitals first) or with
    // equal names the wrong way round comes out different.
    const uint32_t me = server.newUser("me");
    const uint32_t zoe = server.newUser("Zoe");
    const uint32_t bert = server.newUser("bert");
    const uint32_t carl = server.newUser("carl");
    const uint32_t dirk = server.newUser("Dirk");
    const uint32_t anna = server.newUser("anna");
    const uint32_t bert2 = server.newUser("bert");
    const uint32_t dora = server.newUser("dora");
    {
        auto setup = server.loggedIn(me);
        ASSERT_TRUE(setup);
        for (uint32_t id : {zoe, bert, carl, dirk, anna, bert2}) {
            setup->send(protocol::buildSetRelation({id, protocol::kRelationFriend}));
            ASSERT_TRUE(setup->waitFor(protocol::PT_CONTACT_ADDED));
        }
        setup->send(protocol::buildSetRelation({dora, protocol::kRelationBlacklist}));
        ASSERT_TRUE(setup->waitFor(protocol::PT_CONTACT_ADDED));
    }
    auto zoeOnline = server.loggedIn(zoe);
    ASSERT_TRUE(zoeOnline);

    loginAs(me);
    const ContactList& list = client.core().contacts();
    ASSERT_EQ(list.groupCount(), 3u);
    const auto friends = [&] {
        std::vector<uint32_t> ids;
        for (const auto* c : list.groups()[0].members) ids.push_back(c->id);
        return ids;
    };
    // Online first; then by name ignoring case; the two berts by ID.
    EXPECT_EQ(friends(), (std::vector<uint32_t>{zoe, anna, bert, bert2, carl, dirk}));
    ASSERT_EQ(list.groups()[2].members.size(), 1u);
    EXPECT_EQ(list.groups()[2].members[0]->id, dora);
    EXPECT_EQ(list.findContact(dora)->category, ContactCategory::Blacklisted);

    // Away sits between online and offline.
    client.core().onContactStatus(carl, static_cast<uint8_t>(Presence::Away));
    ASSERT_EQ(list.findContact(carl)->presence, Presence::Away);
    EXPECT_EQ(friends(), (std::vector<uint32_t>{zoe, carl, anna, bert, bert2, dirk}));

    // Presence changes arrive, and a friend coming online is announced.
    auto bertOnline = server.loggedIn(bert);
    ASSERT_TRUE(bertOnline);
    ASSERT_TRUE(waitUntil([&] { return list.findContact(bert)->presence == Presence::Online; }));
    EXPECT_TRUE(client.core().animation().colourOf(bert).has_value());
    ASSERT_FALSE(client.ui.popups.empty());
    EXPECT_EQ(client.ui.popups.back(), "bert(" + std::to_string(bert) + ")上线!");
    EXPECT_EQ(friends(), (std::vector<uint32_t>{bert, zoe, carl, anna, bert2, dirk}));
    zoeOnline.reset();
    ASSERT_TRUE(waitUntil([&] { return list.findContact(zoe)->presence == Presence::Offline; }));
    EXPECT_EQ(friends(), (std::vector<uint32_t>{bert, carl, anna, bert2, dirk, zoe}));

    // The list was stored: a second login updates names but keeps faces.
    store::Contact stored;
    ASSERT_TRUE(client.core().recordStore().GetRecord(store::kUserDb, anna, stored));
    stored.face = 42;
    client.core().recordStore().putContact(stored);
    client.restart();
    client.ui.loginAnswers.push_back(acceptLogin(me, "pw"));
    ASSERT_TRUE(client.core().start());
    ASSERT_TRUE(waitUntil([&] { return client.core().loggedIn(); }));
    EXPECT_EQ(client.core().contacts().findContact(anna)->face, 42);
    EXPECT_EQ(client.core().contacts().findContact(bert)->presence, Presence::Online);
}

TEST_F(ClientContactsTest, TheAfterLoginReportComesBeforeAnyAnnounce) {
    const uint32_t me = server.newUser("reporter");
    loginAs(me);
    ASSERT_TRUE(waitUntil([&] { return client.core().announcing(); }, 3s));
    EXPECT_TRUE(
        std::filesystem::is_directory(client.config.photoRoot / std::to_string(me) / "his"));
    // The server answers announces; the timer stops on the first answer.
    ASSERT_TRUE(waitUntil([&] { return !client.core().announcing(); }, 5s));
}

TEST_F(ClientContactsTest, MessagesAreStoredQueuedAndMakeStrangersKnown) {
    const uint32_t me = server.newUser("reader");
    const uint32_t anna = server.newUser("anna");
    const uint32_t hidden = server.newUser("hidden");
    const uint32_t stranger = server.newUser("stranger");
    {
        auto setup = server.loggedIn(me);
        ASSERT_TRUE(setup);
        for (uint32_t id : {anna, hidden}) {
            setup->send(protocol::buildSetRelation({id, protocol::kRelationFriend}));
            ASSERT_TRUE(setup->waitFor(protocol::PT_CONTACT_ADDED));
        }
    }
    // Sent while we are offline: kept by the server, handed over at login.
    auto annaOnline = server.loggedIn(anna);
    ASSERT_TRUE(annaOnline);
    annaOnline->send(integration::textMessage(me, "while you were out"));
    annaOnline.reset();  // anna is offline again when we log in

    loginAs(me);
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 1; }));
    EXPECT_EQ(client.core().messageQueue().first()->text, "while you were out");
    // A kept message says nothing about the sender's presence.
    EXPECT_EQ(client.core().contacts().findContact(anna)->presence, Presence::Offline);

    // A friend we see offline (invisible) writes: now we know he is there.
    auto hiddenOnline = server.loggedIn(hidden, "pw", /*invisible=*/true);
    ASSERT_TRUE(hiddenOnline);
    hiddenOnline->send(integration::textMessage(me, "psst"));
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 2; }));
    EXPECT_EQ(client.core().contacts().findContact(hidden)->presence, Presence::Online);

    // Someone not in the list becomes a stranger named by his number.
    auto strangerOnline = server.loggedIn(stranger);
    ASSERT_TRUE(strangerOnline);
    strangerOnline->send(integration::textMessage(me, "hello?"));
    ASSERT_TRUE(waitUntil([&] { return client.core().messageQueue().size() == 3; }));
    const store::Contact* newcomer = client.core().contacts().findContact(stranger);
    ASSERT_NE(newcomer, nullptr);
    EXPECT_EQ(newcomer->nickname, std::to_string(stranger));
    EXPECT_EQ(newcomer->category, ContactCategory::Stranger);

    // All three are in msg.db under their senders.
    for (auto [id, text] : {std::pair{anna, "while you were out"}, std::pair{hidden, "psst"},
                            std::pair{stranger, "hello?"}}) {
        std::vector<store::ChatMessage> stored;
        ASSERT_TRUE(client.core().recordStore().LoadMessages(id, stored)) << id;
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored[0].text, text);
        EXPECT_TRUE(stored[0].isIncoming());
    }
    EXPECT_EQ(client.core().messageQueue().takeQueued(stranger)->text, "hello?");
}

class ClientReconnectTest : public ClientLiveTest {
  protected:
    ClientReconnectTest() : ClientLiveTest("127.0.4.3") {}
};

TEST_F(ClientReconnectTest, LogsInAgainAfterARestartAndGivesUpWhenTheServerIsGone) {
    const uint32_t me = server.newUser("stayer");
    loginAs(me);
    server.process.kill();
    ASSERT_TRUE(waitUntil([&] { return !client.core().loggedIn(); }));
    EXPECT_TRUE(client.core().connection().reconnectPending());
    ASSERT_TRUE(server.process.start());
    ASSERT_TRUE(waitUntil([&] { return client.core().loggedIn(); }, 10s));
    EXPECT_EQ(client.core().connection().failureCount(), 1);  // reset, then one for the login
    EXPECT_EQ(client.ui.loginDialogsShown, 1);                // no dialog for the re-login

    server.process.kill();
    const std::string gaveUp = "网络故障，与服务器断开连接!\r\n请稍后再连,ZEMRA对此非常抱歉!";
    ASSERT_TRUE(waitUntil([&] { return client.ui.sawMessage(gaveUp); }, 45s));
    EXPECT_GT(client.core().connection().failureCount(), 10);
    pumpFor(3500ms);
    EXPECT_FALSE(client.core().connection().reconnectPending());
    EXPECT_EQ(std::count(client.ui.messages.begin(), client.ui.messages.end(), gaveUp), 1);
}

}  // namespace
}  // namespace zemra::client::testing
