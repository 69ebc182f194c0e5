// ServerRules: logins and registrations. Both hash a password, which runs as
// background work; the connection waits for its answer meanwhile, and a
// connection that went in between gets nothing (its failure still counts).
#include <arpa/inet.h>

#include <memory>

#include "protocol/login_packets.h"
#include "protocol/profile_packets.h"
#include "protocol/simple_packets.h"
#include "server/server_rules.h"

namespace zemra::server {

using namespace protocol;

namespace {

std::string addressText(uint32_t address) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

}  // namespace

void ServerRules::onLogin(ConnectionId id, ConnectionState& connection, PacketView packet) {
    const LoginRequest login = parseLogin(packet);
    if (login.clientKey != kClientKey) {
        state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginFailedUpgrade));
        state_.out.close(id, "foreign client key");
        return;
    }
    if (connection.checkingPassword) {
        state_.out.log("login on #" + std::to_string(id) + " while one is checked: dropped");
        return;
    }
    auto check = std::make_shared<PasswordCheckJob>();
    check->stored = state_.store.storedPassword(login.userId);
    check->password = login.password;
    if (check->stored && check->stored->disabled()) {
        state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginDisabled));
        return;
    }
    const uint32_t address = connection.address;
    const uint32_t account = check->stored ? login.userId : 0;
    if (!throttle_.mayTry(address, account, Clock::now()) || !throttle_.mayStartCheck(address)) {
        state_.out.log("login of " + std::to_string(login.userId) + " from " +
                       addressText(address) + " held back");
        return refuseLogin(id, connection, kLoginTryLater);
    }
    connection.checkingPassword = true;
    throttle_.checkStarted(address);
    const bool queued = state_.work.run(
        [check] { check->run(); },
        [this, id, address, login, check] { finishLogin(id, address, login, *check); });
    if (queued) return;
    connection.checkingPassword = false;
    throttle_.checkEnded(address);
    state_.out.log("login of " + std::to_string(login.userId) + " refused: too many waiting");
    refuseLogin(id, connection, kLoginTryLater);
}

// Every refusal counts towards closing the connection, so that one
// connection cannot go on asking for ever.
void ServerRules::refuseLogin(ConnectionId id, ConnectionState& connection, uint16_t subCode) {
    state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, subCode));
    if (++connection.failedLogins >= kMaxFailedLogins) {
        state_.out.close(id, "too many failed logins");
    }
}

void ServerRules::finishLogin(ConnectionId id, uint32_t address, const LoginRequest& login,
                              const PasswordCheckJob& check) {
    throttle_.checkEnded(address);
    const auto it = connections_.find(id);
    ConnectionState* connection = it == connections_.end() ? nullptr : &it->second;
    if (connection) connection->checkingPassword = false;
    if (check.failed) {
        state_.out.log("password check of " + std::to_string(login.userId) + " failed");
        if (connection) state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginTryLater));
        return;
    }
    if (!check.matches) {
        throttle_.failed(address, check.stored ? login.userId : 0, Clock::now());
        state_.out.log("login of " + std::to_string(login.userId) + " from " +
                       addressText(address) + " refused on #" + std::to_string(id));
        // One answer for both, so that logins do not tell which IDs exist.
        if (connection) refuseLogin(id, *connection, kLoginFailedWrongPassword);
        return;
    }
    throttle_.succeeded(login.userId);
    if (!check.upgradedHash.empty()) {
        try {
            if (state_.store.replacePassword(login.userId, *check.stored, check.upgradedHash)) {
                state_.out.log("password of " + std::to_string(login.userId) + " rehashed");
            }
        } catch (const StoreError& error) {
            state_.out.log("password of " + std::to_string(login.userId) +
                           " not rehashed: " + error.what());
        }
    }
    if (connection) logIn(id, *connection, login.userId, login.invisible);
}

void ServerRules::logIn(ConnectionId id, ConnectionState& connection, uint32_t user,
                        bool invisible) {
    std::vector<uint8_t> answer;
    try {
        answer = loginAnswer(user);
    } catch (const StoreError& error) {
        state_.out.log(std::string("store failure: ") + error.what());
        state_.out.send(id, buildSubCodePacket(PT_LOGIN_FAILED, kLoginTryLater));
        return;
    }
    // From here on the login stands: a store failure is logged, never
    // answered with a refusal after the answer.
    try {
        // A second login on this connection ends the first session on it; a
        // login from elsewhere takes the account over (the old link may be
        // dead without the server knowing yet).
        if (connection.userId) endSession(connection.userId, "logged in again");
        if (const Session* old = state_.sessions.find(user)) {
            const ConnectionId oldConnection = old->connection;
            endSession(user, "logged in elsewhere");
            state_.out.close(oldConnection, "logged in elsewhere");
        }
    } catch (const StoreError& error) {
        state_.out.log(std::string("store failure: ") + error.what());
    }
    startSession(id, connection, user);
    state_.sessions.find(user)->invisible = invisible;
    state_.out.send(id, std::move(answer));
    messages_.deliverStored(user);
    try {
        if (!invisible) presence_.announce(user, true);
    } catch (const StoreError& error) {
        state_.out.log(std::string("store failure: ") + error.what());
    }
}

std::vector<uint8_t> ServerRules::loginAnswer(uint32_t user) {
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
    return buildLoginAccepted(answer);
}

void ServerRules::onRegister(ConnectionId id, ConnectionState& connection, PacketView packet) {
    const UserProfile profile = parseProfile(packet);
    if (++connection.registrations > kMaxRegistrations || !ProfileService::acceptable(profile) ||
        connection.checkingPassword) {
        state_.out.send(id, buildUserIdPacket(PT_REGISTERED, 0));
        return;
    }
    const uint32_t address = connection.address;
    if (!throttle_.mayStartCheck(address) || !registrations_.take(address, Clock::now())) {
        state_.out.log("registration from " + addressText(address) + " refused: limit reached");
        state_.out.send(id, buildUserIdPacket(PT_REGISTERED, 0));
        return;
    }
    UserRecord record = ProfileService::recordFrom(profile);
    record.id = 0;
    auto job = std::make_shared<NewPasswordJob>();
    job->password = profile.password;
    connection.checkingPassword = true;
    throttle_.checkStarted(address);
    const bool queued = state_.work.run(
        [job] { job->run(); },
        [this, id, address, record, job] { finishRegistration(id, address, record, *job); });
    if (queued) return;
    connection.checkingPassword = false;
    throttle_.checkEnded(address);
    state_.out.log("registration refused: too many waiting");
    state_.out.send(id, buildUserIdPacket(PT_REGISTERED, 0));
}

void ServerRules::finishRegistration(ConnectionId id, uint32_t address, const UserRecord& record,
                                     const NewPasswordJob& job) {
    throttle_.checkEnded(address);
    const auto it = connections_.find(id);
    // Nobody would learn the new ID: no account is made.
    if (it == connections_.end()) return;
    ConnectionState& connection = it->second;
    connection.checkingPassword = false;
    uint32_t user = 0;
    if (!job.failed) {
        try {
            user = state_.directory.add(record, job.hash);
        } catch (const StoreError& error) {
            state_.out.log(std::string("store failure: ") + error.what());
        }
    }
    state_.out.send(id, buildUserIdPacket(PT_REGISTERED, user));
    if (user == 0) return;
    state_.out.log("registered " + std::to_string(user) + " on #" + std::to_string(id));
    // The client goes on as the new user without a separate login.
    try {
        if (connection.userId) endSession(connection.userId, "registered a new account");
    } catch (const StoreError& error) {
        state_.out.log(std::string("store failure: ") + error.what());
    }
    startSession(id, connection, user);
}

}  // namespace zemra::server
