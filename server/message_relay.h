// Text messages between users. The server stamps the sender's ID on every
// message, hands it on at once when the recipient is logged in, and keeps it
// otherwise until his next login, where it arrives as a passive message.
//
// A kept message leaves the store only once the packet carrying it has been
// written to the recipient's socket completely; a delivery that fails (the
// client vanished right after logging in) leaves it for the next login.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>

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
    // Everything kept for `user` and not already on its way, oldest first,
    // as passive messages. A store failure is logged, never answered: the
    // login answer has gone out already.
    void deliverStored(uint32_t user);
    // The packets with these receipts (stored message IDs) to `connection`
    // were written completely, or were lost.
    void onWritten(ConnectionId connection, std::span<const uint64_t> receipts, bool written);
    std::size_t inFlight() const { return inFlight_.size(); }

  private:
    void deliver(uint32_t recipient, const protocol::TextMessage& message);

    ServerState& state_;
    // Stored messages queued on a connection and not yet written: the
    // recipient they go to. A second login meanwhile does not get them twice.
    std::unordered_map<int64_t, uint32_t> inFlight_;
};

}  // namespace zemra::server
