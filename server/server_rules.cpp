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

namespace {

// PT_LOGIN_FAILED sub-codes.
constexpr uint16_t kLoginRefusedDisabled = 12;  // a service account, nobody logs in as it
constexpr uint16_t kLoginStoreFailure = 14;     // try again later

std::string userText(uint32_t user) {
    return std::to_string(user);
}

std::string connectionName(ConnectionId connection) {
    return "#" + std::to_string(connection);
}

}  // namespace

ServerRules::ServerRules(ServerStore& store)
    : state_(store),
      presence_(state_),
      messages_(state_),
      relations_(state_, presence_, messages_),
      search_(state_, presence_),
      calls_(state_),
      files_(state_),
      profiles_(state_) {}

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
    if (it->second.userId) endSession(it->second.userId, "connection closed");
    connections_.erase(it);
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
                           userText(connection.userId) + " dropped");
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
            state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginStoreFailure));
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

void ServerRules::onLogin(ConnectionId id, ConnectionState& connection, PacketView packet) {
    const LoginRequest login = parseLogin(packet);
    if (login.clientKey != kClientKey) {
        state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginFailedUpgrade));
        state_.out.close(id, "foreign client key");
        return;
    }
    switch (state_.store.checkPassword(login.userId, login.password)) {
        case PasswordCheck::Ok:
            break;
        case PasswordCheck::Disabled:
            state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginRefusedDisabled));
            return;
        case PasswordCheck::Unknown:
        case PasswordCheck::Wrong:
            // One answer for both, so that logins do not tell which IDs exist.
            state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginFailedWrongPassword));
            state_.out.log("login of " + userText(login.userId) + " refused on " +
                           connectionName(id));
            if (++connection.failedLogins >= kMaxFailedLogins) {
                state_.out.close(id, "too many failed logins");
            }
            return;
    }
    // A second login on this connection ends the first session on it; a
    // login from elsewhere takes the account over (the old link may be dead
    // without the server knowing yet).
    if (connection.userId) endSession(connection.userId, "logged in again");
    if (const Session* old = state_.sessions.find(login.userId)) {
        const ConnectionId oldConnection = old->connection;
        endSession(login.userId, "logged in elsewhere");
        state_.out.close(oldConnection, "logged in elsewhere");
    }
    startSession(id, connection, login.userId);
    Session& session = *state_.sessions.find(login.userId);
    session.invisible = login.invisible;
    sendLoginAnswer(login.userId);
    messages_.deliverStored(login.userId);
    if (!session.invisible) presence_.announce(login.userId, true);
}

void ServerRules::sendLoginAnswer(uint32_t user) {
    LoginAccepted answer;
    answer.userId = user;
    if (const UserRecord* record = state_.directory.find(user)) {
        answer.nickname = record->nickname;
        answer.face = record->face;
    }
    for (const auto& [contact, relation] : state_.store.contactsOf(user)) {
        if (!state_.directory.find(contact)) continue;
        answer.contacts.push_back(presence_.contactRecord(contact, relation, user));
    }
    state_.sendToUser(user, buildLoginAccepted(answer));
}

void ServerRules::onRegister(ConnectionId id, ConnectionState& connection, PacketView packet) {
    const UserProfile profile = parseProfile(packet);
    if (++connection.registrations > kMaxRegistrations || !ProfileService::acceptable(profile)) {
        state_.out.send(id, buildUserIdPacket(PT_REGISTERED, 0));
        return;
    }
    UserRecord record = ProfileService::recordFrom(profile);
    record.id = 0;
    const uint32_t user = state_.directory.add(record, profile.password);
    state_.out.send(id, buildUserIdPacket(PT_REGISTERED, user));
    state_.out.log("registered " + userText(user) + " on " + connectionName(id));
    // The client goes on as the new user without a separate login.
    if (connection.userId) endSession(connection.userId, "registered a new account");
    startSession(id, connection, user);
}

void ServerRules::startSession(ConnectionId id, ConnectionState& connection, uint32_t user) {
    state_.sessions.open(user, id, connection.address);
    connection.userId = user;
    state_.out.log("login " + userText(user) + " on " + connectionName(id));
}

void ServerRules::endSession(uint32_t user, const char* why) {
    Session* session = state_.sessions.find(user);
    if (!session) return;
    calls_.onLogout(user);
    files_.onLogout(user);
    if (!session->invisible) presence_.announce(user, false);
    const ConnectionId connection = session->connection;
    if (const auto it = connections_.find(connection); it != connections_.end()) {
        it->second.userId = 0;
    }
    state_.sessions.close(user);
    state_.out.log("logout " + userText(user) + " on " + connectionName(connection) + " (" + why +
                   ")");
}

}  // namespace zemra::server
