// zemrad's network side: the packet port, the two probe ports and the file
// relay on one address, all on the caller's event loop, with every decision
// left to ServerRules. Password hashing runs on a small worker pool. Open
// connections are capped per peer address and in total; one over either cap
// is closed as soon as it is accepted.
#pragma once

#include <asio.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "server/client_connection.h"
#include "server/connection_caps.h"
#include "server/file_relay.h"
#include "server/probe_listener.h"
#include "server/server_rules.h"
#include "server/server_store.h"
#include "server/worker_pool.h"

namespace zemra::server {

struct ServerOptions {
    std::string address = "127.0.0.1";
    std::string database = "zemrad.db";
    ConnectionLimits limits;
    RulesLimits rules;
    RelayLimits relay;
    std::size_t maxConnections = 20000;
    std::size_t maxConnectionsPerAddress = 64;
    // Password checks waiting for or running on the worker pool; beyond
    // that, logins are told to try again later.
    std::size_t maxWaitingPasswordChecks = 64;
};

class ZemraServer : private ConnectionOwner {
  public:
    // Opens the store and binds every port; throws when one cannot be had.
    ZemraServer(asio::io_context& io, const ServerOptions& options);
    ~ZemraServer();

    // Stops accepting and closes every connection.
    void stop();
    std::size_t connectionCount() const { return connections_.size(); }
    std::size_t onlineCount() const { return rules_.onlineCount(); }

  private:
    struct Entry {
        std::shared_ptr<ClientConnection> connection;
        ConnectionCaps::Ticket ticket;
    };

    void acceptNext();
    void admit(asio::ip::tcp::socket socket);
    void logRefusal(const std::string& peer);
    void deliver(Outbox out);
    void onPacket(ConnectionId id, std::span<const uint8_t> packet) override;
    void onWritten(ConnectionId id, std::span<const uint64_t> receipts, bool written) override;
    void onClosed(ConnectionId id, const std::string& reason) override;

    asio::io_context& io_;
    ServerOptions options_;
    ServerStore store_;
    WorkerPool workers_;
    ServerRules rules_;
    ConnectionCaps caps_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    FileRelay relay_;
    ProbeListener videoProbes_;
    ProbeListener audioProbes_;
    std::unordered_map<ConnectionId, Entry> connections_;
    ConnectionId nextId_ = 1;
    bool stopped_ = false;
    // Refusals are logged at most once a second, with how many there were.
    std::chrono::steady_clock::time_point lastRefusalLog_{};
    std::size_t refusalsUnlogged_ = 0;
};

}  // namespace zemra::server
