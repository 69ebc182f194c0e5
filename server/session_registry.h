// The users logged in right now, with what the server knows about each
// session: where it connects from, its visibility and away text, its media
// addresses learned from probes, and its call state.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "server/outbox.h"

namespace zemra::server {

struct MediaEndpoint {
    uint32_t address = 0;  // network byte order
    uint16_t port = 0;
};

struct Session {
    uint32_t userId = 0;
    ConnectionId connection = 0;
    uint32_t address = 0;  // the TCP peer, network byte order
    bool invisible = false;
    bool away = false;
    std::string awayText;  // GBK; with `away`, calls get it back as a note
    bool hasVideo = false;
    bool hasAudio = false;
    std::optional<MediaEndpoint> video;
    std::optional<MediaEndpoint> audio;
    // At most one of these is set at a time.
    uint32_t callPartner = 0;   // in a call with
    uint32_t outgoingCall = 0;  // asked this user for a call
    uint32_t incomingCall = 0;  // is being asked by this user
};

class SessionRegistry {
  public:
    // Replaces nothing: the caller has closed any earlier session of the user.
    Session& open(uint32_t userId, ConnectionId connection, uint32_t address);
    void close(uint32_t userId);

    Session* find(uint32_t userId);
    Session* findByConnection(ConnectionId connection);
    const std::map<uint32_t, Session>& all() const { return sessions_; }
    std::size_t size() const { return sessions_.size(); }

  private:
    std::map<uint32_t, Session> sessions_;
    std::unordered_map<ConnectionId, uint32_t> byConnection_;
};

}  // namespace zemra::server
