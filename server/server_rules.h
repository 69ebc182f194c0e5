// Everything the server decides, without sockets: a connection opens, a
// whole packet arrives on it, a probe arrives, a connection goes away. Each
// event returns an Outbox of packets to send and connections to close.
//
// Before login a connection may only log in or register; a wrong protocol
// version, a foreign client key, too many failed logins or a packet other
// than those close it. After login unknown types are ignored, and packets
// shorter than their type's layout are dropped rather than read as zeros.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>

#include "protocol/packet.h"
#include "server/call_relay.h"
#include "server/file_negotiation.h"
#include "server/message_relay.h"
#include "server/outbox.h"
#include "server/presence.h"
#include "server/profile_service.h"
#include "server/relation_service.h"
#include "server/server_state.h"
#include "server/server_store.h"
#include "server/user_search.h"

namespace zemra::server {

class ServerRules {
  public:
    static constexpr int kMaxFailedLogins = 5;
    static constexpr int kMaxRegistrations = 3;  // per connection

    explicit ServerRules(ServerStore& store);

    // `address` is the peer's IPv4 address in network byte order.
    Outbox onConnect(ConnectionId connection, uint32_t address);
    Outbox onPacket(ConnectionId connection, std::span<const uint8_t> packet);
    Outbox onProbe(uint16_t channel, uint32_t address, uint16_t port,
                   std::span<const uint8_t> datagram);
    Outbox onDisconnect(ConnectionId connection);

    // 0 while the connection is not logged in.
    uint32_t userOf(ConnectionId connection) const;
    std::size_t onlineCount() const { return state_.sessions.size(); }
    ServerState& state() { return state_; }

    // The smallest packet of a type a client sends; 0 for types it never sends.
    static std::size_t expectedSize(uint16_t type);

  private:
    struct ConnectionState {
        uint32_t address = 0;
        uint32_t userId = 0;
        int failedLogins = 0;
        int registrations = 0;
    };

    Outbox take();
    void dispatch(ConnectionId id, ConnectionState& connection, uint16_t type,
                  protocol::PacketView packet);
    void onLogin(ConnectionId id, ConnectionState& connection, protocol::PacketView packet);
    void onRegister(ConnectionId id, ConnectionState& connection, protocol::PacketView packet);
    void startSession(ConnectionId id, ConnectionState& connection, uint32_t user);
    void endSession(uint32_t user, const char* why);
    void sendLoginAnswer(uint32_t user);

    ServerState state_;
    Presence presence_;
    MessageRelay messages_;
    RelationService relations_;
    UserSearch search_;
    CallRelay calls_;
    FileNegotiation files_;
    ProfileService profiles_;
    std::unordered_map<ConnectionId, ConnectionState> connections_;
};

}  // namespace zemra::server
