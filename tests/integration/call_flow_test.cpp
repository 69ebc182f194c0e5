// Calls through the real server, with real probe datagrams.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "protocol/call_packets.h"
#include "protocol/simple_packets.h"
#include "protocol/udp_probe.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;

// A media socket as the client keeps one: bound locally, probing the server.
class ProbeSocket {
  public:
    ProbeSocket() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
    }
    ~ProbeSocket() { ::close(fd_); }

    void probe(const std::string& server, uint16_t serverPort, uint32_t userId, uint16_t channel) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(serverPort);
        inet_pton(AF_INET, server.c_str(), &to.sin_addr);
        const auto datagram = buildUdpProbe({userId, port_, channel, std::string(kClientKey)});
        sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
               sizeof to);
    }
    uint16_t port() const { return port_; }

  private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

struct Caller {
    explicit Caller(std::unique_ptr<TestClient> client) : link(std::move(client)) {}

    std::unique_ptr<TestClient> link;
    ProbeSocket video;
    ProbeSocket audio;

    void probe(const std::string& server) {
        video.probe(server, kVideoProbePort, link->id(), kProbeChannelVideo);
        audio.probe(server, kAudioProbePort, link->id(), kProbeChannelAudio);
    }
};

TEST(CallFlowTest, PlaceAcceptTalkAndHangUpWithThePortsTheProbesCameFrom) {
    LiveServer server("127.0.3.4");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t aId = server.newUser("caller");
    const uint32_t bId = server.newUser("callee");
    Caller a(server.loggedIn(aId));
    Caller b(server.loggedIn(bId));
    ASSERT_TRUE(a.link && b.link);
    // Probes run every few seconds while logged in; two rounds are plenty.
    for (int round = 0; round < 2; ++round) {
        a.probe(server.address());
        b.probe(server.address());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    a.link->send(buildCallRequest(bId));
    const auto incoming = b.link->waitFor(PT_CALL_INCOMING);
    ASSERT_TRUE(incoming);
    EXPECT_EQ(parseCallIncoming(*incoming).callerId, aId);
    EXPECT_EQ(parseCallIncoming(*incoming).nickname, "caller");

    b.link->send(buildUserIdPacket(PT_CALL_ACCEPT, aId));
    const auto toA = a.link->waitFor(PT_CALL_CONNECTED);
    const auto toB = b.link->waitFor(PT_CALL_CONNECTED);
    ASSERT_TRUE(toA && toB);
    const uint32_t loopback = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(parseCallConnected(*toA),
              (CallConnected{loopback, b.video.port(), b.audio.port(), bId, "callee"}));
    EXPECT_EQ(parseCallConnected(*toB),
              (CallConnected{loopback, a.video.port(), a.audio.port(), aId, "caller"}));

    b.link->send(buildCallText({aId, "\xCE\xB9"}));  // 喂
    const auto line = a.link->waitFor(PT_CALL_TEXT_IN);
    ASSERT_TRUE(line);
    EXPECT_EQ(parseCallTextIn(*line), (CallTextIn{bId, "callee", "\xCE\xB9"}));

    a.link->send(buildUserIdPacket(PT_CALL_HANGUP, bId));
    EXPECT_TRUE(b.link->waitFor(PT_CALL_ENDED));
    EXPECT_TRUE(a.link->nothingOf(PT_CALL_ENDED));
}

TEST(CallFlowTest, DeclinedCancelledBusyAndUnreachableCalls) {
    LiveServer server("127.0.3.5");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t aId = server.newUser("a");
    const uint32_t bId = server.newUser("b");
    const uint32_t cId = server.newUser("c");
    auto a = server.loggedIn(aId);
    auto b = server.loggedIn(bId);
    auto c = server.loggedIn(cId);
    ASSERT_TRUE(a && b && c);
    const auto answer = [](TestClient& caller) -> int {
        const auto packet = caller.waitFor(PT_CALL_ANSWER);
        return packet ? parseSubCode(*packet) : -1;
    };

    a->send(buildCallRequest(4242));
    EXPECT_EQ(answer(*a), kCallAnswerNotOnline);

    a->send(buildCallRequest(bId));
    ASSERT_TRUE(b->waitFor(PT_CALL_INCOMING));
    c->send(buildCallRequest(bId));
    EXPECT_EQ(answer(*c), kCallAnswerBusy);
    b->send(buildUserIdPacket(PT_CALL_DECLINE, aId));
    EXPECT_EQ(answer(*a), kCallAnswerRefused);

    a->send(buildCallRequest(bId));
    ASSERT_TRUE(b->waitFor(PT_CALL_INCOMING));
    a->send(buildUserIdPacket(PT_CALL_CANCEL, bId));
    const auto withdrawn = b->waitFor(PT_CALL_WITHDRAWN);
    ASSERT_TRUE(withdrawn);
    EXPECT_EQ(parseCallWithdrawn(*withdrawn).callerId, aId);

    // The partner's connection dropping ends the call for the other side.
    a->send(buildCallRequest(bId));
    ASSERT_TRUE(b->waitFor(PT_CALL_INCOMING));
    b->send(buildUserIdPacket(PT_CALL_ACCEPT, aId));
    ASSERT_TRUE(a->waitFor(PT_CALL_CONNECTED));
    b->abort();
    EXPECT_TRUE(a->waitFor(PT_CALL_ENDED));
}

}  // namespace
}  // namespace zemra::integration
