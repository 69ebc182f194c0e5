// libFuzzer entry point: the first bytes the server reads from a new relay
// connection. For the file relay that is the 24-byte greeting, which
// RelayConnection reads whole and hands to RelayHello::decode; for calls it
// is the UDP probe a media socket sends, which the probe listener hands
// (at most its 64-byte buffer) to CallRelay::onProbe.
//
// The input is a sequence of records, each led by a byte:
//   bit 0 clear  a greeting: the next 24 bytes (a shorter rest is a
//                connection that closed before greeting, never decoded)
//   bit 0 set    a probe: bits 1-2 the channel, bits 3-4 the source address
//                (one of the three logged-in users' or a stranger's),
//                bit 5 writes the client key and bit 6 a logged-in user's ID
//                into the datagram; then its length (at most 64), the
//                source port and the datagram's bytes.
// A greeting that decodes must encode back to the same 24 bytes. A probe
// must be taken exactly when it is a whole probe with the client key from
// the address of the session it names on a media channel, and then change
// only that session's endpoint for that channel.
#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "platform/byte_order.h"
#include "protocol/relay_hello.h"
#include "protocol/udp_probe.h"
#include "server/call_relay.h"
#include "server/server_state.h"
#include "server/server_store.h"

namespace {

using namespace zemra::server;
using namespace zemra::protocol;

struct User {
    uint32_t id;
    ConnectionId connection;
    uint32_t address;  // network byte order
};
// Two users behind one address, as behind a NAT.
const User kUsers[] = {
    {1000, 1, htonl(0x0A000001)},
    {1001, 2, htonl(0x0A000002)},
    {1002, 3, htonl(0x0A000003)},
    {1003, 4, htonl(0x0A000001)},
};
const uint32_t kStranger = htonl(0x0A0000FE);
// Where a probe carries the client key: its last eleven bytes.
constexpr std::size_t kProbeKeyOffset = kUdpProbeSize - 11;

// The call relay with the users logged in; no probe has been seen yet. The
// store is in memory: probes never read it.
struct CallSide {
    ServerStore store{":memory:"};
    InlineWork work;
    ServerState state{store, work};
    CallRelay relay{state};

    void reset() {
        for (const User& user : kUsers) state.sessions.open(user.id, user.connection, user.address);
    }
};

bool sameEndpoint(const std::optional<MediaEndpoint>& a, const std::optional<MediaEndpoint>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->address == b->address && a->port == b->port);
}

bool sameMedia(const Session& a, const Session& b) {
    return sameEndpoint(a.video, b.video) && sameEndpoint(a.audio, b.audio);
}

// The relay reads exactly the greeting's size before decoding it.
bool checkGreeting(std::span<const uint8_t> greeting) {
    const std::optional<RelayHello> hello = RelayHello::decode(greeting);
    if (!hello) return true;
    const auto again = hello->encode();
    return std::equal(again.begin(), again.end(), greeting.begin(), greeting.end()) &&
           RelayHello::decode(again) == hello;
}

bool checkProbe(CallSide& side, uint16_t channel, uint32_t address, uint16_t port,
                std::span<const uint8_t> datagram) {
    std::map<uint32_t, Session> before(side.state.sessions.all());
    const bool taken = side.relay.onProbe(channel, address, port, datagram);

    const UdpProbe probe = parseUdpProbe(datagram);
    const auto named = before.find(probe.userId);
    const bool expected = datagram.size() == kUdpProbeSize && probe.clientKey == kClientKey &&
                          named != before.end() && named->second.address == address &&
                          (channel == kProbeChannelVideo || channel == kProbeChannelAudio);
    if (taken != expected) return false;
    if (taken) {
        Session& changed = named->second;
        (channel == kProbeChannelVideo ? changed.video : changed.audio) =
            MediaEndpoint{address, port};
    }
    const auto& after = side.state.sessions.all();
    if (after.size() != before.size()) return false;
    for (const auto& [id, session] : after) {
        const auto it = before.find(id);
        if (it == before.end() || !sameMedia(it->second, session)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CallSide side;
    side.reset();
    const std::span<const uint8_t> input(data, size);
    bool ok = true;
    std::size_t at = 0;
    while (at < input.size()) {
        const uint8_t kind = input[at++];
        if ((kind & 1) == 0) {
            if (input.size() - at < kRelayHelloSize) break;
            ok &= checkGreeting(input.subspan(at, kRelayHelloSize));
            at += kRelayHelloSize;
            continue;
        }
        if (input.size() - at < 3) break;
        const uint16_t channel = (kind >> 1) & 3;
        const uint8_t source = (kind >> 3) & 3;
        const uint32_t address = source < 3 ? kUsers[source].address : kStranger;
        const std::size_t length = std::min<std::size_t>(input[at], 64);
        const uint16_t port = zemra::getLe16(&input[at + 1]);
        at += 3;
        std::vector<uint8_t> datagram(length, 0);
        const std::size_t given = std::min(length, input.size() - at);
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at), given, datagram.begin());
        at += given;
        if ((kind & 0x20) && datagram.size() >= kUdpProbeSize) {
            const auto stamped = buildUdpProbe({});
            std::copy(stamped.begin() + kProbeKeyOffset, stamped.end(),
                      datagram.begin() + kProbeKeyOffset);
        }
        if ((kind & 0x40) && datagram.size() >= 8) {
            zemra::putLe32(&datagram[4], kUsers[source % std::size(kUsers)].id);
        }
        ok &= checkProbe(side, channel, address, port, datagram);
    }
    if (!ok) __builtin_trap();
    return 0;
}
