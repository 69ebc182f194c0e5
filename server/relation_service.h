// Contact lists on the server: adding a friend under the other user's add
// policy, friend requests and their answers, blacklisting and removal.
// Lists are one-way: being on someone's list shows him your presence,
// nothing more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/login_packets.h"
#include "protocol/packet.h"
#include "server/message_relay.h"
#include "server/presence.h"
#include "server/server_state.h"

namespace zemra::server {

class RelationService {
  public:
    // A list never outgrows what one login answer carries.
    static constexpr std::size_t kMaxContacts = protocol::kMaxLoginContacts;

    RelationService(ServerState& state, Presence& presence, MessageRelay& messages)
        : state_(state), presence_(presence), messages_(messages) {}

    void onSetRelation(uint32_t user, protocol::PacketView packet);
    void onAuthAccept(uint32_t user, protocol::PacketView packet);
    void onAuthRefuse(uint32_t user, protocol::PacketView packet);

  private:
    void addFriend(uint32_t user, uint32_t target);
    void blacklist(uint32_t user, uint32_t target);
    void remove(uint32_t user, uint32_t target);
    bool listFull(uint32_t user, uint32_t target);
    // Stores the relation and reports the contact to `owner`.
    void make(uint32_t owner, uint32_t contact, uint16_t relation);
    void relationChanged(uint32_t owner, uint32_t contact, uint16_t before, uint16_t after);
    void refuse(uint32_t user);

    ServerState& state_;
    Presence& presence_;
    MessageRelay& messages_;
};

}  // namespace zemra::server
