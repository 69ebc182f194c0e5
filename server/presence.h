// Who sees whom online. A user's presence goes to everyone who keeps him as
// a friend, unless he is invisible or has blacklisted that watcher; to those
// he simply looks offline.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/contact_packets.h"
#include "server/server_state.h"

namespace zemra::server {

class Presence {
  public:
    explicit Presence(ServerState& state) : state_(state) {}

    bool appearsOnline(uint32_t user, uint32_t viewer);
    // The record `viewer` gets for `contact`, who holds `relation` on his list.
    protocol::ContactRecord contactRecord(uint32_t contact, uint16_t relation, uint32_t viewer);

    // 211 or 212 for `user` to every friend-lister online.
    void announce(uint32_t user, bool online);
    // The current state of `user` to one viewer who lists him as a friend.
    void tell(uint32_t user, uint32_t viewer);

    // PT_GO_INVISIBLE, PT_GO_VISIBLE, PT_AWAY_TEXT, PT_CAPABILITIES.
    void goInvisible(Session& session);
    void goVisible(Session& session);
    void setAway(Session& session, std::string text);
    void setCapabilities(Session& session, bool video, bool audio);

  private:
    ServerState& state_;
};

}  // namespace zemra::server
