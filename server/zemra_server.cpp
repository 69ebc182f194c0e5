#include "server/zemra_server.h"

#include <arpa/inet.h>

#include <optional>
#include <vector>

#include "protocol/packet_types.h"
#include "protocol/udp_probe.h"
#include "server/server_log.h"

namespace zemra::server {

using asio::ip::tcp;
using asio::ip::udp;

namespace {

tcp::endpoint tcpEndpoint(const std::string& address, uint16_t port) {
    return tcp::endpoint(asio::ip::make_address(address), port);
}

udp::endpoint udpEndpoint(const std::string& address, uint16_t port) {
    return udp::endpoint(asio::ip::make_address(address), port);
}

}  // namespace

ZemraServer::ZemraServer(asio::io_context& io, const ServerOptions& options)
    : io_(io),
      options_(options),
      store_(options.database),
      workers_(io, WorkerPool::defaultThreads(), options.maxWaitingPasswordChecks,
               [this] { deliver(rules_.takeOutput()); }),
      rules_(store_, workers_, options.rules),
      caps_(options.maxConnections, options.maxConnectionsPerAddress),
      acceptor_(io, tcpEndpoint(options.address, protocol::kServerPort)),
      acceptRetry_(io),
      relay_(io, tcpEndpoint(options.address, protocol::kFileRelayPort), options.relay),
      videoProbes_(io, udpEndpoint(options.address, protocol::kVideoProbePort),
                   protocol::kProbeChannelVideo,
                   [this](uint16_t channel, uint32_t address, uint16_t port,
                          std::span<const uint8_t> datagram) {
                       deliver(rules_.onProbe(channel, address, port, datagram));
                   }),
      audioProbes_(io, udpEndpoint(options.address, protocol::kAudioProbePort),
                   protocol::kProbeChannelAudio,
                   [this](uint16_t channel, uint32_t address, uint16_t port,
                          std::span<const uint8_t> datagram) {
                       deliver(rules_.onProbe(channel, address, port, datagram));
                   }) {
    acceptNext();
}

ZemraServer::~ZemraServer() {
    stop();
}

void ZemraServer::stop() {
    if (stopped_) return;
    stopped_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptRetry_.cancel();
    workers_.shutdown();
    videoProbes_.close();
    audioProbes_.close();
    relay_.stop();
    // Copied: closing reports back through onClosed, which edits the map.
    std::vector<std::shared_ptr<ClientConnection>> open;
    for (auto& [id, entry] : connections_) open.push_back(entry.connection);
    for (auto& connection : open) connection->close("server stopping");
}

void ZemraServer::acceptNext() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        // An aborted accept may run after the server is gone: test it first.
        if (ec == asio::error::operation_aborted || stopped_) return;
        if (ec) {
            // Out of descriptors, most likely: wait a little instead of spinning.
            logLine("accept failed: " + ec.message());
            acceptRetry_.expires_after(std::chrono::milliseconds(100));
            acceptRetry_.async_wait([this](const asio::error_code& waitError) {
                if (!waitError && !stopped_) acceptNext();
            });
            return;
        }
        admit(std::move(socket));
        acceptNext();
    });
}

void ZemraServer::admit(tcp::socket socket) {
    asio::error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) return;  // gone already
    const uint32_t address = peer.address().is_v4() ? htonl(peer.address().to_v4().to_uint()) : 0;
    std::optional<ConnectionCaps::Ticket> ticket = caps_.admit(address);
    if (!ticket) {
        socket.close(ec);
        return logRefusal(peer.address().to_string());
    }
    const ConnectionId id = nextId_++;
    auto connection = std::make_shared<ClientConnection>(
        std::move(socket), id, static_cast<ConnectionOwner&>(*this), options_.limits);
    connections_.emplace(id, Entry{connection, std::move(*ticket)});
    logLine("connect #" + std::to_string(id) + " from " + connection->peerText());
    deliver(rules_.onConnect(id, connection->peerAddress()));
    connection->start();
}

// A flood of refused connections must not become a flood of log lines.
void ZemraServer::logRefusal(const std::string& peer) {
    ++refusalsUnlogged_;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRefusalLog_ < std::chrono::seconds(1)) return;
    lastRefusalLog_ = now;
    logLine("connection from " + peer + " refused: too many open (" +
            std::to_string(refusalsUnlogged_) + " refused since the last report)");
    refusalsUnlogged_ = 0;
}

void ZemraServer::onPacket(ConnectionId id, std::span<const uint8_t> packet) {
    deliver(rules_.onPacket(id, packet));
}

void ZemraServer::onWritten(ConnectionId id, std::span<const uint64_t> receipts, bool written) {
    deliver(rules_.onWritten(id, receipts, written));
}

void ZemraServer::onClosed(ConnectionId id, const std::string& reason) {
    if (connections_.erase(id) == 0) return;
    logLine("close #" + std::to_string(id) + ": " + reason);
    deliver(rules_.onDisconnect(id));
}

void ZemraServer::deliver(Outbox out) {
    for (const std::string& line : out.logs()) logLine(line);
    for (const Outbox::Transfer& transfer : out.transfers()) {
        relay_.expect(transfer.token, transfer.senderId, transfer.receiverId, transfer.fileSize);
    }
    for (const ConnectionId id : out.logins()) {
        if (const auto it = connections_.find(id); it != connections_.end()) {
            it->second.connection->setLoggedIn();
        }
    }
    std::unordered_map<ConnectionId, std::vector<uint64_t>> lost;
    for (Outbox::Packet& packet : out.takePackets()) {
        if (const auto it = connections_.find(packet.connection); it != connections_.end()) {
            it->second.connection->send(std::move(packet.bytes), packet.receipt);
        } else if (packet.receipt) {
            lost[packet.connection].push_back(packet.receipt);
        }
    }
    for (const Outbox::Close& close : out.closes()) {
        if (const auto it = connections_.find(close.connection); it != connections_.end()) {
            it->second.connection->closeAfterFlush(close.reason);
        }
    }
    // Told from the event loop, like every other report of a write.
    for (auto& [id, receipts] : lost) {
        asio::post(io_, [this, id = id, receipts = std::move(receipts)] {
            deliver(rules_.onWritten(id, receipts, false));
        });
    }
}

}  // namespace zemra::server
