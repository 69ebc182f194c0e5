// File-transfer negotiation: an offer goes to the receiver, his answer back
// to the sender, and on acceptance both learn each other and a fresh token
// that the file relay expects. The bytes themselves never pass here.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>

#include "protocol/packet.h"
#include "server/server_state.h"

namespace zemra::server {

class FileNegotiation {
  public:
    explicit FileNegotiation(ServerState& state) : state_(state) {}

    void onPropose(uint32_t sender, protocol::PacketView packet);   // PT_FILE_PROPOSE
    void onAccept(uint32_t receiver, protocol::PacketView packet);  // PT_FILE_ACCEPT
    void onRefuse(uint32_t receiver, protocol::PacketView packet);  // PT_FILE_REFUSE
    void onBusy(uint32_t receiver, protocol::PacketView packet);    // PT_FILE_BUSY
    void onCancel(uint32_t sender, protocol::PacketView packet);    // PT_FILE_CANCEL
    void onAbort(uint32_t user, protocol::PacketView packet);       // PT_FILE_ABORT

    // Offers from and to the user are withdrawn or answered "not online".
    void onLogout(uint32_t user);
    std::size_t pendingOffers() const { return offers_.size(); }

  private:
    using Pair = std::pair<uint32_t, uint32_t>;  // (sender, receiver)

    bool takeOffer(uint32_t sender, uint32_t receiver, uint32_t* fileSize = nullptr);
    void notify(uint32_t user, uint16_t type, uint32_t about);
    static Pair unordered(uint32_t a, uint32_t b) { return a < b ? Pair{a, b} : Pair{b, a}; }

    ServerState& state_;
    std::map<Pair, uint32_t> offers_;  // file size
    std::set<Pair> started_;           // pairs that may abort each other's transfer
};

}  // namespace zemra::server
