// Call set-up between two users, in-call text, and the media addresses
// learned from the UDP probes. A call is only brokered here; its media
// flow directly between the two clients, to the addresses and ports their
// probes came from.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/packet.h"
#include "server/server_state.h"

namespace zemra::server {

class CallRelay {
  public:
    explicit CallRelay(ServerState& state) : state_(state) {}

    void onRequest(uint32_t caller, protocol::PacketView packet);  // PT_CALL_REQUEST
    void onDecline(uint32_t callee, protocol::PacketView packet);  // PT_CALL_DECLINE
    void onAccept(uint32_t callee, protocol::PacketView packet);   // PT_CALL_ACCEPT
    void onCancel(uint32_t caller, protocol::PacketView packet);   // PT_CALL_CANCEL
    void onHangup(uint32_t user, protocol::PacketView packet);     // PT_CALL_HANGUP
    void onText(uint32_t user, protocol::PacketView packet);       // PT_CALL_TEXT

    // A probe that arrived on the video (channel 1) or audio (2) port from
    // `address`:`port`. Only a logged-in user's probes from the address of
    // his own connection count. Returns whether it was taken.
    bool onProbe(uint16_t channel, uint32_t address, uint16_t port,
                 std::span<const uint8_t> datagram);

    // The user's session ends: whoever he was calling or talking to hears so.
    void onLogout(uint32_t user);

  private:
    void answer(uint32_t caller, uint16_t subCode);
    void cancel(Session& caller, uint32_t callee);
    void decline(Session& callee, uint32_t caller);
    void connect(Session& caller, Session& callee);

    ServerState& state_;
};

}  // namespace zemra::server
