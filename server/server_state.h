// The state every rule class works on: the store, the directory of
// accounts, the sessions, and the outbox of the event being handled.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "server/outbox.h"
#include "server/server_store.h"
#include "server/session_registry.h"
#include "server/user_directory.h"

namespace zemra::server {

struct ServerState {
    explicit ServerState(ServerStore& s) : store(s), directory(s) {}

    ServerStore& store;
    UserDirectory directory;
    SessionRegistry sessions;
    Outbox out;
    // Seconds since 1970, for the notices the server writes itself.
    std::function<uint32_t()> clock = [] { return static_cast<uint32_t>(std::time(nullptr)); };
    std::mt19937 random{std::random_device{}()};

    // False when the user is not logged in.
    bool sendToUser(uint32_t userId, std::vector<uint8_t> packet) {
        const Session* session = sessions.find(userId);
        if (!session) return false;
        out.send(session->connection, std::move(packet));
        return true;
    }

    std::string nickname(uint32_t userId) const {
        const UserRecord* user = directory.find(userId);
        return user ? user->nickname : std::string();
    }
};

}  // namespace zemra::server
