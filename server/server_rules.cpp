#include "server/server_rules.h"

#include <arpa/inet.h>

#include "protocol/call_packets.h"
#include "protocol/file_packets.h"
#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::server {

using namespace protocol;

ServerRules::ServerRules(ServerStore& store, RulesLimits limits)
    : ServerRules(store, inlineWork_, limits) {}

ServerRules::ServerRules(ServerStore& store, BackgroundWork& work, RulesLimits limits)
    : state_(store, work),
      presence_(state_),
      messages_(state_),
      relations_(state_, presence_, messages_),
      search_(state_, presence_),
      calls_(state_),
      files_(state_),
      profiles_(state_),
      registrations_(limits.registrationsPerHour) {}

std::size_t ServerRules::expectedSize(uint16_t type) {
    switch (type) {
        case PT_LOGIN:
            return kLoginSize;
        case PT_CAPABILITIES:
            return kCapabilitiesSize;
        case PT_SEARCH_ONLINE:
            return kOnlineSearchSize;
        case PT_SEARCH_BY_NICK:
            return kNickSearchSize;
        case PT_CALL_REQUEST:
            return kCallRequestSize;
        case PT_AWAY_TEXT:
            return kAwayTextSize;
        case PT_CALL_TEXT:
            return kCallTextSize;
        case PT_FILE_PROPOSE:
            return kFileOfferSize;
        case PT_SET_DETAILS:
        case PT_REGISTER:
            return kProfileSize;
        case PT_MESSAGE:
            return kMessageSize;
        case PT_SEARCH_BY_ID:
        case PT_CALL_DECLINE:
        case PT_CALL_ACCEPT:
        case PT_CALL_CANCEL:
        case PT_CALL_HANGUP:
        case PT_GET_DETAILS:
        case PT_FILE_ABORT:
        case PT_FILE_ACCEPT:
        case PT_FILE_REFUSE:
        case PT_FILE_BUSY:
        case PT_FILE_CANCEL:
        case PT_SET_RELATION:
        case PT_AUTH_ACCEPT:
        case PT_AUTH_REFUSE:
            return kUserIdPacketSize;
        case PT_ANNOUNCE:
        case PT_GO_INVISIBLE:
        case PT_GO_VISIBLE:
        case PT_ADD_POLICY_ANYONE:
        case PT_ADD_POLICY_AUTH:
        case PT_ADD_POLICY_NOBODY:
            return kHeaderSize;
        default:
            return 0;
    }
}

Outbox ServerRules::take() {
    Outbox out = std::move(state_.out);
    state_.out = Outbox();
    return out;
}

uint32_t ServerRules::userOf(ConnectionId connection) const {
    const auto it = connections_.find(connection);
    return it == connections_.end() ? 0 : it->second.userId;
}

Outbox ServerRules::onConnect(ConnectionId connection, uint32_t address) {
    connections_[connection] = ConnectionState{address};
    return take();
}

Outbox ServerRules::onDisconnect(ConnectionId connection) {
    const auto it = connections_.find(connection);
    if (it == connections_.end()) return take();
    try {
        if (it->second.userId) endSession(it->second.userId, "connection closed");
    } catch (const StoreError& error) {
        state_.out.log(std::string("store failure: ") + error.what());
    }
    connections_.erase(it);
    return take();
}

Outbox ServerRules::onWritten(ConnectionId connection, std::span<const uint64_t> receipts,
                              bool written) {
    messages_.onWritten(connection, receipts, written);
    return take();
}

Outbox ServerRules::onProbe(uint16_t channel, uint32_t address, uint16_t port,
                            std::span<const uint8_t> datagram) {
    calls_.onProbe(channel, address, port, datagram);
    return take();
}

Outbox ServerRules::onPacket(ConnectionId id, std::span<const uint8_t> bytes) {
    const auto it = connections_.find(id);
    if (it == connections_.end()) return take();
    ConnectionState& connection = it->second;
    const PacketView packet(bytes);
    const PacketHeader header = packet.header();
    if (header.version != kProtocolVersion) {
        if (header.type == PT_LOGIN) {
            state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginFailedUpgrade));
        }
        state_.out.close(id, "protocol version " + std::to_string(header.version));
        return take();
    }
    const bool loggedIn = connection.userId != 0;
    const std::size_t expected = expectedSize(header.type);
    if (!loggedIn && header.type != PT_LOGIN && header.type != PT_REGISTER) {
        state_.out.close(id, "packet type " + std::to_string(header.type) + " before login");
        return take();
    }
    if (expected == 0) return take();  // not a packet clients send: ignored
    if (packet.size() < expected) {
        if (!loggedIn) {
            state_.out.close(id, "short packet before login");
        } else {
            state_.out.log("short packet type " + std::to_string(header.type) + " from " +
                           std::to_string(connection.userId) + " dropped");
        }
        return take();
    }
    try {
        dispatch(id, connection, header.type, packet);
    } catch (const StoreError& error) {
        // Whatever was decided so far stands; the failed step is reported
        // where the client has a way to hear it.
        state_.out.log(std::string("store failure: ") + error.what());
        if (header.type == PT_LOGIN) {
            state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginTryLater));
        } else if (header.type == PT_REGISTER) {
            state_.out.send(id, buildUserIdPacket(PT_REGISTERED, 0));
        }
    }
    return take();
}

void ServerRules::dispatch(ConnectionId id, ConnectionState& connection, uint16_t type,
                           PacketView packet) {
    if (type == PT_LOGIN) return onLogin(id, connection, packet);
    if (type == PT_REGISTER) return onRegister(id, connection, packet);
    const uint32_t user = connection.userId;
    Session& session = *state_.sessions.find(user);
    switch (type) {
        case PT_CAPABILITIES: {
            const Capabilities capabilities = parseCapabilities(packet);
            return presence_.setCapabilities(session, capabilities.video, capabilities.audio);
        }
        case PT_ANNOUNCE:
            return state_.out.send(id, buildSubCodePacket(PT_ANNOUNCE_ACK, 0));
        case PT_AWAY_TEXT:
            return presence_.setAway(session, parseAwayText(packet));
        case PT_GO_INVISIBLE:
            return presence_.goInvisible(session);
        case PT_GO_VISIBLE:
            return presence_.goVisible(session);
        case PT_MESSAGE:
            return messages_.onMessage(user, packet);
        case PT_SET_RELATION:
            return relations_.onSetRelation(user, packet);
        case PT_AUTH_ACCEPT:
            return relations_.onAuthAccept(user, packet);
        case PT_AUTH_REFUSE:
            return relations_.onAuthRefuse(user, packet);
        case PT_GET_DETAILS:
            return profiles_.onGetDetails(user, packet);
        case PT_SET_DETAILS:
            return profiles_.onSetDetails(user, packet);
        case PT_ADD_POLICY_ANYONE:
        case PT_ADD_POLICY_AUTH:
        case PT_ADD_POLICY_NOBODY:
            return profiles_.onAddPolicy(user, type);
        case PT_SEARCH_BY_ID:
            return search_.byId(user, packet);
        case PT_SEARCH_BY_NICK:
            return search_.byNickname(user, packet);
        case PT_SEARCH_ONLINE:
            return search_.online(user, packet);
        case PT_CALL_REQUEST:
            return calls_.onRequest(user, packet);
        case PT_CALL_DECLINE:
            return calls_.onDecline(user, packet);
        case PT_CALL_ACCEPT:
            return calls_.onAccept(user, packet);
        case PT_CALL_CANCEL:
            return calls_.onCancel(user, packet);
        case PT_CALL_HANGUP:
            return calls_.onHangup(user, packet);
        case PT_CALL_TEXT:
            return calls_.onText(user, packet);
        case PT_FILE_PROPOSE:
            return files_.onPropose(user, packet);
        case PT_FILE_ACCEPT:
            return files_.onAccept(user, packet);
        case PT_FILE_REFUSE:
            return files_.onRefuse(user, packet);
        case PT_FILE_BUSY:
            return files_.onBusy(user, packet);
        case PT_FILE_CANCEL:
            return files_.onCancel(user, packet);
        case PT_FILE_ABORT:
            return files_.onAbort(user, packet);
        default:
            return;
    }
}

void ServerRules::startSession(ConnectionId id, ConnectionState& connection, uint32_t user) {
    state_.sessions.open(user, id, connection.address);
    connection.userId = user;
    state_.out.loggedIn(id);
    state_.out.log("login " + std::to_string(user) + " on #" + std::to_string(id));
}

void ServerRules::endSession(uint32_t user, const char* why) {
    Session* session = state_.sessions.find(user);
    if (!session) return;
    calls_.onLogout(user);
    files_.onLogout(user);
    const bool wasVisible = !session->invisible;
    const ConnectionId connection = session->connection;
    if (const auto it = connections_.find(connection); it != connections_.end()) {
        it->second.userId = 0;
    }
    state_.sessions.close(user);
    state_.out.log("logout " + std::to_string(user) + " on #" + std::to_string(connection) + " (" +
                   why + ")");
    // Last, as it reads the store: a failure there leaves no session half ended.
    if (wasVisible) presence_.announce(user, false);
}

}  // namespace zemra::server
