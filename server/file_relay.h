// The relay behind file transfers (TCP 3110). Once two users have agreed on
// a transfer, the server announces it here with expect(); both clients then
// connect, greet with the transfer's token, and the relay pipes the sender's
// bytes to the receiver and the receiver's final word back. Connections that
// do not match an expected transfer, greet late, or send more than agreed
// are closed.
#pragma once

#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

#include "protocol/relay_hello.h"

namespace zemra::server {

class RelayConnection;

class FileRelay {
  public:
    static constexpr auto kGreetingTimeout = std::chrono::seconds(10);
    static constexpr auto kPairingWindow = std::chrono::seconds(120);

    FileRelay(asio::io_context& io, const asio::ip::tcp::endpoint& endpoint);

    void expect(uint32_t token, uint32_t senderId, uint32_t receiverId, uint32_t fileSize);
    // Stops accepting and drops the transfers still waiting for a side.
    void stop();
    uint16_t port() const { return acceptor_.local_endpoint().port(); }
    // Transfers announced and not yet started or expired; for tests and logs.
    std::size_t pendingCount() const { return pending_.size(); }

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
    void onGreeting(const std::shared_ptr<RelayConnection>& connection,
                    const protocol::RelayHello& hello);
    void dropExpired();
    void scheduleSweep();

    asio::io_context& io_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer sweepTimer_;
    std::map<uint32_t, Pending> pending_;
};

}  // namespace zemra::server
