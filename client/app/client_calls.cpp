// The core's side of calls: the packets go out on the server link, the
// events go into today's call log, and the probes pause while the probe
// sockets carry a call's media.
#include <ctime>

#include "client/app/client_core.h"
#include "client/store/time_text.h"

namespace zemra::client {

void ClientCore::sendCallPacket(const std::vector<uint8_t>& packet) {
    send(packet);
}

void ClientCore::logCall(uint32_t id, const std::string& gbkName, store::CallKind kind) {
    callLog_.id = id;
    callLog_.name = gbkName;
    callLog_.kind = kind;
    callLog_.stamp(store::localTime(std::time(nullptr)));
    if (callLog_.IsOpen()) callLog_.Append();
}

std::optional<uint16_t> ClientCore::relationOf(uint32_t id) const {
    for (const ContactTableEntry& entry : contacts_.table()) {
        if (entry.userId == id && id != 0) return entry.relation;
    }
    return std::nullopt;
}

void ClientCore::callConnected(const ConnectedCall& call) {
    probes_.stopProbes();
    ui_.callConnected(call);
}

void ClientCore::callTeardown() {
    ui_.callTeardown();
    probes_.startProbes();
}

}  // namespace zemra::client
