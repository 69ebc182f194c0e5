#include "server/session_registry.h"

namespace zemra::server {

Session& SessionRegistry::open(uint32_t userId, ConnectionId connection, uint32_t address) {
    close(userId);
    Session& session = sessions_[userId];
    session.userId = userId;
    session.connection = connection;
    session.address = address;
    byConnection_[connection] = userId;
    return session;
}

void SessionRegistry::close(uint32_t userId) {
    const auto it = sessions_.find(userId);
    if (it == sessions_.end()) return;
    byConnection_.erase(it->second.connection);
    sessions_.erase(it);
}

Session* SessionRegistry::find(uint32_t userId) {
    const auto it = sessions_.find(userId);
    return it == sessions_.end() ? nullptr : &it->second;
}

Session* SessionRegistry::findByConnection(ConnectionId connection) {
    const auto it = byConnection_.find(connection);
    return it == byConnection_.end() ? nullptr : find(it->second);
}

}  // namespace zemra::server
