// One client's TCP connection: reads cut into packets by the shared
// reassembler, a bounded write queue, and the transport rules that protect
// the server: a packet rate limit, a deadline for logging in, no packet with
// a body beyond the protocol's limit, and a deadline for a closing
// connection to take what was queued for it. A rule broken closes the
// connection.
//
// A connection holds no reassembly buffer while it has no partial packet:
// thousands of idle clients cost little memory.
#pragma once

#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "protocol/packet_reassembler.h"
#include "server/outbox.h"
#include "server/rate_limiter.h"

namespace zemra::server {

struct ConnectionLimits {
    double packetsPerSecond = 500;
    double packetBurst = 2000;
    std::chrono::seconds loginTimeout{60};
    // A client that stops reading is dropped rather than buffered without end.
    std::size_t maxQueuedBytes = 4 * 1024 * 1024;
    // How long a connection being closed may take to read its last packets.
    std::chrono::milliseconds flushDeadline{5000};
};

class ConnectionOwner {
  public:
    virtual void onPacket(ConnectionId id, std::span<const uint8_t> packet) = 0;
    // The packets sent with these receipts were written to the socket
    // completely (`written`), or will never be. Each receipt is reported once.
    virtual void onWritten(ConnectionId id, std::span<const uint64_t> receipts, bool written) = 0;
    // Called once, from the event loop, after the socket is closed.
    virtual void onClosed(ConnectionId id, const std::string& reason) = 0;

  protected:
    ~ConnectionOwner() = default;
};

class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
  public:
    ClientConnection(asio::ip::tcp::socket socket, ConnectionId id, ConnectionOwner& owner,
                     const ConnectionLimits& limits);

    void start();
    // A non-zero receipt is reported back through the owner's onWritten.
    void send(std::vector<uint8_t> packet, uint64_t receipt = 0);
    // Closes once everything queued so far has been written, or when the
    // flush deadline has passed.
    void closeAfterFlush(const std::string& reason);
    void close(const std::string& reason);
    void setLoggedIn();

    ConnectionId id() const { return id_; }
    bool closed() const { return closed_; }
    // Network byte order; 0 when the peer is not IPv4.
    uint32_t peerAddress() const { return peerAddress_; }
    const std::string& peerText() const { return peerText_; }

  private:
    struct Queued {
        std::vector<uint8_t> bytes;
        uint64_t receipt = 0;
    };

    void readNext();
    void readAvailable();
    bool readWithoutBuffer(const protocol::PacketReassembler::ReadFunction& read);
    void onPacket(std::span<const uint8_t> packet);
    void writeNext();
    void startLoginTimer();
    // Reports the receipts of `packets` as lost, from the event loop.
    void reportLost(const std::vector<Queued>& packets);

    asio::ip::tcp::socket socket_;
    asio::steady_timer loginTimer_;
    asio::steady_timer flushTimer_;
    ConnectionId id_;
    ConnectionOwner& owner_;
    ConnectionLimits limits_;
    RateLimiter rate_;
    // Holds a partial packet between reads; there is none while nothing is held.
    std::unique_ptr<protocol::PacketReassembler> reassembler_;
    // Bytes fed to and taken out of the reassembler: when they stop adding
    // up, it dropped a packet with an impossible length.
    uint64_t bytesFed_ = 0;
    uint64_t bytesDispatched_ = 0;
    std::deque<Queued> queue_;
    std::vector<Queued> inFlight_;
    std::size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool closeWhenFlushed_ = false;
    std::string closeReason_;
    bool closed_ = false;
    bool loggedIn_ = false;
    uint32_t peerAddress_ = 0;
    std::string peerText_;
};

}  // namespace zemra::server
