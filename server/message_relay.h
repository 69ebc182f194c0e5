// Text messages between users. The server stamps the sender's ID on every
// message, hands it on at once when the recipient is logged in, and keeps it
// otherwise until his next login, where it arrives as a passive message.
#pragma once

#include <cstdint>

#include "protocol/message_packets.h"
#include "server/server_state.h"

namespace zemra::server {

class MessageRelay {
  public:
    explicit MessageRelay(ServerState& state) : state_(state) {}

    // PT_MESSAGE from `sender`.
    void onMessage(uint32_t sender, protocol::PacketView packet);
    // A notice the server writes on `from`'s behalf (friend request passed
    // or refused, "added you to his list").
    void sendNotice(uint32_t from, uint32_t to, uint8_t kind);
    // Everything kept for `user`, oldest first, as passive messages.
    void deliverStored(uint32_t user);

  private:
    void deliver(uint32_t recipient, const protocol::TextMessage& message);

    ServerState& state_;
};

}  // namespace zemra::server
