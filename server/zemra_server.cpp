#include "server/zemra_server.h"

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
      rules_(store_),
      acceptor_(io, tcpEndpoint(options.address, protocol::kServerPort)),
      acceptRetry_(io),
      relay_(io, tcpEndpoint(options.address, protocol::kFileRelayPort)),
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
    videoProbes_.close();
    audioProbes_.close();
    relay_.stop();
    // Copied: closing reports back through onClosed, which edits the map.
    auto connections = connections_;
    for (auto& [id, connection] : connections) connection->close("server stopping");
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
        const ConnectionId id = nextId_++;
        auto connection = std::make_shared<ClientConnection>(
            std::move(socket), id, static_cast<ConnectionOwner&>(*this), options_.limits);
        connections_.emplace(id, connection);
        logLine("connect #" + std::to_string(id) + " from " + connection->peerText());
        deliver(rules_.onConnect(id, connection->peerAddress()));
        connection->start();
        acceptNext();
    });
}

void ZemraServer::onPacket(ConnectionId id, std::span<const uint8_t> packet) {
    deliver(rules_.onPacket(id, packet));
    if (rules_.userOf(id) != 0) {
        if (const auto it = connections_.find(id); it != connections_.end()) {
            it->second->setLoggedIn();
        }
    }
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
    for (Outbox::Packet& packet : out.takePackets()) {
        if (const auto it = connections_.find(packet.connection); it != connections_.end()) {
            it->second->send(std::move(packet.bytes));
        }
    }
    for (const Outbox::Close& close : out.closes()) {
        if (const auto it = connections_.find(close.connection); it != connections_.end()) {
            it->second->closeAfterFlush(close.reason);
        }
    }
}

}  // namespace zemra::server
