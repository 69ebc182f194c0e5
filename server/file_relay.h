// The relay behind file transfers (TCP 3110). Once two users have agreed on
// a transfer, the server announces it here with expect(); both clients then
// connect, greet with the transfer's token, and the relay pipes the sender's
// bytes to the receiver and the receiver's final word back. Connections that
// do not match an expected transfer, greet late, or send more than agreed
// are closed, and so is a transfer whose bytes move slower than a minimum
// rate. Relay connections are capped per address and in total.
#pragma once

#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

#include "protocol/relay_hello.h"
#include "server/connection_caps.h"

namespace zemra::server {

class RelayConnection;

struct RelayLimits {
    std::size_t maxConnections = 1024;
    std::size_t maxConnectionsPerAddress = 16;
    // A transfer moving fewer than `minBytesPerWindow` bytes in a window
    // (1 KB/s on average) is dropped.
    std::chrono::milliseconds rateWindow{20000};
    std::size_t minBytesPerWindow = 20 * 1024;
};

class FileRelay {
  public:
    static constexpr auto kGreetingTimeout = std::chrono::seconds(10);
    static constexpr auto kPairingWindow = std::chrono::seconds(120);

    FileRelay(asio::io_context& io, const asio::ip::tcp::endpoint& endpoint,
              const RelayLimits& limits = {});

    void expect(uint32_t token, uint32_t senderId, uint32_t receiverId, uint32_t fileSize);
    // Stops accepting and drops the transfers still waiting for a side.
    void stop();
    uint16_t port() const { return acceptor_.local_endpoint().port(); }
    // Transfers announced and not yet started or expired; for tests and logs.
    std::size_t pendingCount() const { return pending_.size(); }
    // Relay connections open, paired or not.
    std::size_t openCount() const { return caps_.open(); }

  private:
    struct Pending {
        uint32_t senderId = 0;
        uint32_t receiverId = 0;
        uint32_t fileSize = 0;
        std::chrono::steady_clock::time_point expiry;
        std::shared_ptr<RelayConnection> sender;
        std::shared_ptr<RelayConnection> receiver;
    };

    friend class RelayConnection;
    void acceptNext();
    void admit(asio::ip::tcp::socket socket);
    void onGreeting(const std::shared_ptr<RelayConnection>& connection,
                    const protocol::RelayHello& hello);
    void dropExpired();
    void scheduleSweep();

    RelayLimits limits_;
    ConnectionCaps caps_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    asio::steady_timer sweepTimer_;
    bool stopped_ = false;
    std::map<uint32_t, Pending> pending_;
};

}  // namespace zemra::server
