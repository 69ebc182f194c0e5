// What the user is told about a packet comes after the packet has been
// handled: a stand-in server on a real loopback socket refuses the login and
// hangs up while the message box is still open.
#include <gtest/gtest.h>

#include <QTimer>

#include "client/app/login_refusal.h"
#include "client/testing/stand_in_server.h"
#include "protocol/login_packets.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"
#include "tests/client/client_harness.h"

namespace zemra::client::testing {
namespace {

constexpr const char* kAddress = "127.0.4.21";

// Answers every login with a refusal of `subCode`, and hangs up soon after
// when `hangUp` is set.
StandInServer refusingServer(uint16_t subCode, bool hangUp) {
    return StandInServer(kAddress, 3000, [subCode, hangUp](uint16_t type, std::span<const uint8_t>,
                                                           QTcpSocket& client) {
        if (type != protocol::PT_LOGIN) return;
        StandInServer::answer(client,
                              protocol::buildSubCodePacket(protocol::PT_LOGIN_FAILED, subCode));
        if (hangUp) {
            QTimer::singleShot(50, &client, [&client] { client.disconnectFromHost(); });
        }
    });
}

class ClientHandlerSafetyTest : public ::testing::Test {
protected:
    ClientHandlerSafetyTest() : client(kAddress) {}
    ClientHarness client;
};

TEST_F(ClientHandlerSafetyTest, ARefusalIsShownAfterItsPacketAndSurvivesTheServerHangingUp) {
    StandInServer server = refusingServer(11, /*hangUp=*/true);
    ASSERT_TRUE(server.listening());
    bool shownInsideAHandler = false;
    bool linkClosedWhileShown = false;
    client.ui.whileMessageShown = [&] {
        shownInsideAHandler = shownInsideAHandler || client.core().handlingPacket();
        // The box stays up until the server has hung up underneath it.
        linkClosedWhileShown = waitUntil([&] { return !client.core().connection().connected(); },
                                         2s);
    };
    const uint32_t me = 1234;
    client.seedLocalUser(me);
    client.ui.loginAnswers.push_back(acceptLogin(me, "pw"));
    ASSERT_TRUE(client.core().start());
    ASSERT_TRUE(waitUntil([&] { return client.ui.loginDialogsShown == 2; }));

    ASSERT_EQ(client.ui.messages.size(), 1u);
    EXPECT_EQ(client.ui.messages[0], "ID号或密码不对,请核对");
    EXPECT_FALSE(shownInsideAHandler);
    EXPECT_TRUE(linkClosedWhileShown);
    EXPECT_FALSE(client.core().loggedIn());
    // The login dialog was offered again and cancelled: nothing is pending,
    // so the tray has stopped turning.
    EXPECT_FALSE(client.core().loginPending());
    ASSERT_FALSE(client.ui.loginPending.empty());
    EXPECT_FALSE(client.ui.loginPending.back());
    pumpFor(100ms);  // the dropped link is deleted now, after its handler returned
}

TEST_F(ClientHandlerSafetyTest, RefusalsSayWhatTheServerMeant) {
    struct Case {
        uint16_t subCode;
        std::string text;
    };
    const Case cases[] = {{12, loginRefusalText(kLoginAccountBarred)},
                          {14, loginRefusalText(kLoginServerBusy)}};
    for (const Case& c : cases) {
        StandInServer server = refusingServer(c.subCode, false);
        ASSERT_TRUE(server.listening());
        ClientHarness fresh(kAddress);
        fresh.seedLocalUser(1234);
        fresh.ui.loginAnswers.push_back(acceptLogin(1234, "pw"));
        ASSERT_TRUE(fresh.core().start());
        ASSERT_TRUE(waitUntil([&] { return !fresh.ui.messages.empty(); })) << c.subCode;
        EXPECT_EQ(fresh.ui.messages[0], c.text) << c.subCode;
        EXPECT_NE(c.text, loginRefusalText(kLoginIdInUse));
    }
}

}  // namespace
}  // namespace zemra::client::testing
