#include "server/client_connection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <optional>

#include "protocol/simple_packets.h"

namespace zemra::server {
namespace {

using namespace std::chrono_literals;
using asio::ip::tcp;

class RecordingOwner : public ConnectionOwner {
  public:
    void onPacket(ConnectionId, std::span<const uint8_t> packet) override {
        packets.emplace_back(packet.begin(), packet.end());
    }
    void onWritten(ConnectionId, std::span<const uint64_t> receipts, bool was) override {
        (was ? written : lost)
            .insert((was ? written : lost).end(), receipts.begin(), receipts.end());
    }
    void onClosed(ConnectionId, const std::string& reason) override { closedReason = reason; }

    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint64_t> written;
    std::vector<uint64_t> lost;
    std::optional<std::string> closedReason;
};

// A ClientConnection on a real loopback socket, and the raw peer socket.
class ClientConnectionTest : public ::testing::Test {
  protected:
    void open(const ConnectionLimits& limits, int peerReceiveBuffer = 0) {
        tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
        peer.open(tcp::v4());
        if (peerReceiveBuffer) {
            peer.set_option(asio::socket_base::receive_buffer_size(peerReceiveBuffer));
        }
        peer.connect(acceptor.local_endpoint());
        connection = std::make_shared<ClientConnection>(acceptor.accept(), 1, owner, limits);
        connection->start();
    }

    template <typename Condition>
    bool runUntil(Condition done, std::chrono::milliseconds limit = 3s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            io.restart();
            io.run_for(10ms);
        }
        return done();
    }

    // Queues `megabytes` of packets the peer will not read.
    void flood(int megabytes, uint64_t lastReceipt = 0) {
        const std::vector<uint8_t> packet(10000, 0x55);
        const int count = megabytes * 100;
        for (int i = 0; i < count; ++i) {
            connection->send(packet, i + 1 == count ? lastReceipt : 0);
        }
    }

    asio::io_context io;
    RecordingOwner owner;
    tcp::socket peer{io};
    std::shared_ptr<ClientConnection> connection;
};

TEST_F(ClientConnectionTest, AClosingConnectionWhosePeerDoesNotReadGoesAtTheFlushDeadline) {
    ConnectionLimits limits;
    limits.maxQueuedBytes = 64 * 1024 * 1024;
    limits.flushDeadline = 300ms;
    open(limits, 4096);
    // More than the kernel buffers both ends can hold, so the write waits.
    flood(12);
    runUntil([] { return false; }, 200ms);
    ASSERT_FALSE(owner.closedReason);
    const auto asked = std::chrono::steady_clock::now();
    connection->closeAfterFlush("logged in elsewhere");
    ASSERT_TRUE(runUntil([&] { return owner.closedReason.has_value(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 250ms);
    EXPECT_EQ(*owner.closedReason, "logged in elsewhere (not flushed in time)");
}

TEST_F(ClientConnectionTest, ReceiptsAreReportedWrittenOnceSentAndLostWithTheConnection) {
    ConnectionLimits limits;
    limits.maxQueuedBytes = 64 * 1024 * 1024;
    open(limits, 4096);
    connection->send(protocol::buildHeaderOnly(255), 11);
    connection->send(protocol::buildHeaderOnly(255));
    connection->send(protocol::buildHeaderOnly(255), 12);
    ASSERT_TRUE(runUntil([&] { return owner.written.size() == 2; }));
    EXPECT_EQ(owner.written, (std::vector<uint64_t>{11, 12}));

    // Stuck behind a peer that does not read: never written, so lost.
    flood(12, 13);
    runUntil([] { return false; }, 200ms);
    EXPECT_TRUE(owner.lost.empty());
    connection->close("gone");
    connection->send(protocol::buildHeaderOnly(255), 14);
    ASSERT_TRUE(runUntil([&] { return owner.lost.size() == 2; }));
    EXPECT_EQ(owner.lost, (std::vector<uint64_t>{13, 14}));
    EXPECT_EQ(owner.written, (std::vector<uint64_t>{11, 12}));
}

TEST_F(ClientConnectionTest, PacketsSplitAcrossReadsArriveWholeAndAnImpossibleLengthCloses) {
    open(ConnectionLimits{});
    const auto packet = protocol::buildUserIdPacket(161, 1000);
    asio::write(peer, asio::buffer(packet.data(), 7));
    runUntil([] { return false; }, 100ms);
    EXPECT_TRUE(owner.packets.empty());
    asio::write(peer, asio::buffer(packet.data() + 7, packet.size() - 7));
    asio::write(peer, asio::buffer(packet));
    ASSERT_TRUE(runUntil([&] { return owner.packets.size() == 2; }));
    EXPECT_EQ(owner.packets[0], packet);
    EXPECT_EQ(owner.packets[1], packet);
    // A whole packet and the start of the next one in one read.
    std::vector<uint8_t> wholeAndStart(packet.begin(), packet.end());
    wholeAndStart.insert(wholeAndStart.end(), packet.begin(), packet.begin() + 9);
    asio::write(peer, asio::buffer(wholeAndStart));
    ASSERT_TRUE(runUntil([&] { return owner.packets.size() == 3; }));
    asio::write(peer, asio::buffer(packet.data() + 9, packet.size() - 9));
    ASSERT_TRUE(runUntil([&] { return owner.packets.size() == 4; }));
    EXPECT_EQ(owner.packets[2], packet);
    EXPECT_EQ(owner.packets[3], packet);

    auto huge = protocol::buildHeaderOnly(164);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    asio::write(peer, asio::buffer(huge));
    ASSERT_TRUE(runUntil([&] { return owner.closedReason.has_value(); }));
    EXPECT_EQ(*owner.closedReason, "packet longer than the protocol allows");
}

}  // namespace
}  // namespace zemra::server
