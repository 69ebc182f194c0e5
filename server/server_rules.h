// Everything the server decides, without sockets: a connection opens, a
// whole packet arrives on it, a probe arrives, a connection goes away. Each
// event returns an Outbox of packets to send and connections to close.
//
// Before login a connection may only log in or register; a wrong protocol
// version, a foreign client key, too many failed logins or a packet other
// than those close it. After login unknown types are ignored, and packets
// shorter than their type's layout are dropped rather than read as zeros.
//
// Passwords are hashed by BackgroundWork, away from the event loop; its
// results come back as events of their own, and what they produce is
// collected with takeOutput(). Password guessing is held back per address
// and per account (LoginThrottle), registrations are limited per address.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <unordered_map>

#include "protocol/login_packets.h"
#include "protocol/packet.h"
#include "server/background_work.h"
#include "server/call_relay.h"
#include "server/file_negotiation.h"
#include "server/login_throttle.h"
#include "server/message_relay.h"
#include "server/outbox.h"
#include "server/password_jobs.h"
#include "server/presence.h"
#include "server/profile_service.h"
#include "server/registration_quota.h"
#include "server/relation_service.h"
#include "server/server_state.h"
#include "server/server_store.h"
#include "server/user_search.h"

namespace zemra::server {

struct RulesLimits {
    int registrationsPerHour = 20;  // per address, across connections
};

class ServerRules {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kMaxFailedLogins = 5;   // per connection
    static constexpr int kMaxRegistrations = 3;  // per connection
    // PT_LOGIN_FAILED sub-codes of the server's own.
    static constexpr uint16_t kLoginDisabled = 12;  // a service account: nobody logs in as it
    // The store failed, the address or account is held back after failed
    // logins, or too many passwords are being checked: try again later.
    static constexpr uint16_t kLoginTryLater = 14;

    // Without `work` the hashing runs on the spot (tests of the rules).
    explicit ServerRules(ServerStore& store, RulesLimits limits = {});
    ServerRules(ServerStore& store, BackgroundWork& work, RulesLimits limits = {});

    // `address` is the peer's IPv4 address in network byte order.
    Outbox onConnect(ConnectionId connection, uint32_t address);
    Outbox onPacket(ConnectionId connection, std::span<const uint8_t> packet);
    Outbox onProbe(uint16_t channel, uint32_t address, uint16_t port,
                   std::span<const uint8_t> datagram);
    Outbox onDisconnect(ConnectionId connection);
    // The packets with these receipts to `connection` were written to its
    // socket completely, or were lost with it.
    Outbox onWritten(ConnectionId connection, std::span<const uint64_t> receipts, bool written);
    // What background work finished since the last event produced.
    Outbox takeOutput() { return take(); }

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
        // A login or registration is being hashed; others wait their turn.
        bool checkingPassword = false;
    };

    Outbox take();
    void dispatch(ConnectionId id, ConnectionState& connection, uint16_t type,
                  protocol::PacketView packet);
    // Logins and registrations (server_rules_accounts.cpp).
    void onLogin(ConnectionId id, ConnectionState& connection, protocol::PacketView packet);
    void finishLogin(ConnectionId id, uint32_t address, const protocol::LoginRequest& login,
                     const PasswordCheckJob& check);
    void refuseLogin(ConnectionId id, ConnectionState& connection, uint16_t subCode);
    void onRegister(ConnectionId id, ConnectionState& connection, protocol::PacketView packet);
    void finishRegistration(ConnectionId id, uint32_t address, const UserRecord& record,
                            const NewPasswordJob& job);
    void logIn(ConnectionId id, ConnectionState& connection, uint32_t user, bool invisible);
    std::vector<uint8_t> loginAnswer(uint32_t user);

    void startSession(ConnectionId id, ConnectionState& connection, uint32_t user);
    void endSession(uint32_t user, const char* why);

    InlineWork inlineWork_;
    ServerState state_;
    Presence presence_;
    MessageRelay messages_;
    RelationService relations_;
    UserSearch search_;
    CallRelay calls_;
    FileNegotiation files_;
    ProfileService profiles_;
    std::unordered_map<ConnectionId, ConnectionState> connections_;
    LoginThrottle throttle_;
    RegistrationQuota registrations_;
};

}  // namespace zemra::server
