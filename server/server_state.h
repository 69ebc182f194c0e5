// The state every rule class works on: the store, the directory of
// accounts, the sessions, the outbox of the event being handled, and where
// slow work (password hashing) goes.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "server/background_work.h"
#include "server/outbox.h"
#include "server/server_store.h"
#include "server/session_registry.h"
#include "server/user_directory.h"

namespace zemra::server {

struct ServerState {
    ServerState(ServerStore& s, BackgroundWork& w) : store(s), directory(s), work(w) {}

    ServerStore& store;
    UserDirectory directory;
    SessionRegistry sessions;
    BackgroundWork& work;
    Outbox out;
    // Seconds since 1970, for the notices the server writes itself.
    std::function<uint32_t()> clock = [] { return static_cast<uint32_t>(std::time(nullptr)); };

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
