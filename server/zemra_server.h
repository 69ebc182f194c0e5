// zemrad's network side: the packet port, the two probe ports and the file
// relay on one address, all on the caller's event loop, with every decision
// left to ServerRules.
#pragma once

#include <asio.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "server/client_connection.h"
#include "server/file_relay.h"
#include "server/probe_listener.h"
#include "server/server_rules.h"
#include "server/server_store.h"

namespace zemra::server {

struct ServerOptions {
    std::string address = "127.0.0.1";
    std::string database = "zemrad.db";
    ConnectionLimits limits;
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
    void acceptNext();
    void deliver(Outbox out);
    void onPacket(ConnectionId id, std::span<const uint8_t> packet) override;
    void onClosed(ConnectionId id, const std::string& reason) override;

    asio::io_context& io_;
    ServerOptions options_;
    ServerStore store_;
    ServerRules rules_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    FileRelay relay_;
    ProbeListener videoProbes_;
    ProbeListener audioProbes_;
    std::unordered_map<ConnectionId, std::shared_ptr<ClientConnection>> connections_;
    ConnectionId nextId_ = 1;
    bool stopped_ = false;
};

}  // namespace zemra::server
