// What the client puts on the wire, seen by stand-ins for the server on
// real loopback sockets: the order of the first packets after a login and
// the probe datagrams.
#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "protocol/login_packets.h"
#include "protocol/udp_probe.h"
#include "client/testing/stand_in_server.h"
#include "tests/client/client_harness.h"

namespace zemra::client::testing {
namespace {

constexpr const char* kAddress = "127.0.4.20";

// Records the types a client sends and answers its login.
class RecordingServer {
public:
    bool listening() const { return server_.listening(); }
    std::vector<uint16_t> types;

private:
    StandInServer server_{kAddress, 3000,
                          [this](uint16_t type, std::span<const uint8_t> packet, QTcpSocket& client) {
                              types.push_back(type);
                              if (type != protocol::PT_LOGIN) return;
                              protocol::LoginAccepted answer;
                              answer.userId =
                                  protocol::parseLogin(protocol::PacketView(packet)).userId;
                              answer.nickname = "me";
                              StandInServer::answer(client, protocol::buildLoginAccepted(answer));
                          }};
};

TEST(ClientWireTest, TheReportComesBeforeTheFirstAnnounceAndProbesOnlyWhileLoggedIn) {
    RecordingServer server;
    ASSERT_TRUE(server.listening());
    QUdpSocket videoProbes;
    QUdpSocket audioProbes;
    ASSERT_TRUE(videoProbes.bind(QHostAddress(kAddress), protocol::kVideoProbePort));
    ASSERT_TRUE(audioProbes.bind(QHostAddress(kAddress), protocol::kAudioProbePort));

    ClientHarness client(kAddress);
    client.seedLocalUser(4242);
    client.ui.loginAnswers.push_back(acceptLogin(4242, "pw"));
    ASSERT_TRUE(client.core().start());
    ASSERT_TRUE(waitUntil([&] {
        return std::count(server.types.begin(), server.types.end(), protocol::PT_ANNOUNCE) >= 1;
    }));
    ASSERT_GE(server.types.size(), 3u);
    EXPECT_EQ(server.types[0], protocol::PT_LOGIN);
    EXPECT_EQ(server.types[1], protocol::PT_CAPABILITIES);
    EXPECT_EQ(server.types[2], protocol::PT_ANNOUNCE);

    // A probe from each socket: 32 bytes, our ID, its own port and channel.
    ASSERT_TRUE(waitUntil([&] { return videoProbes.hasPendingDatagrams(); }, 4s));
    ASSERT_TRUE(waitUntil([&] { return audioProbes.hasPendingDatagrams(); }, 1s));
    for (auto [socket, channel, port] :
         {std::tuple{&videoProbes, protocol::kProbeChannelVideo, client.core().probes().videoPort()},
          std::tuple{&audioProbes, protocol::kProbeChannelAudio, client.core().probes().audioPort()}}) {
        QByteArray datagram(64, '\0');
        QHostAddress from;
        quint16 fromPort = 0;
        const qint64 size = socket->readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
        ASSERT_EQ(size, 32);
        const auto probe = protocol::parseUdpProbe(
            {reinterpret_cast<const uint8_t*>(datagram.data()), static_cast<std::size_t>(size)});
        EXPECT_EQ(probe.userId, 4242u);
        EXPECT_EQ(probe.channel, channel);
        EXPECT_EQ(probe.localPort, port);
        EXPECT_EQ(fromPort, port);
    }
    EXPECT_EQ(client.core().probes().videoPort(), 3010);

    // Logged out (the server went away): the timers run on, nothing is sent.
    client.core().connection().shutdown();
    while (videoProbes.hasPendingDatagrams()) videoProbes.receiveDatagram();
    pumpFor(3500ms);
    EXPECT_TRUE(client.core().probes().probing());
    EXPECT_FALSE(videoProbes.hasPendingDatagrams());
}

}  // namespace
}  // namespace zemra::client::testing
