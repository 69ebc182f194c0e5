#include "protocol/udp_probe.h"

#include "platform/byte_order.h"
#include "platform/text.h"
#include "protocol/packet.h"

namespace zemra::protocol {
namespace {

constexpr std::size_t kUserId = 4;
constexpr std::size_t kLocalPort = 12;
constexpr std::size_t kChannel = 18;
constexpr std::size_t kClientKeyOffset = 21;
constexpr std::size_t kClientKeySize = 11;

}  // namespace

std::vector<uint8_t> buildUdpProbe(const UdpProbe& probe) {
    std::vector<uint8_t> datagram(kUdpProbeSize, 0);
    putLe32(datagram.data() + kUserId, probe.userId);
    putLe32(datagram.data() + kLocalPort, probe.localPort);
    putLe16(datagram.data() + kChannel, probe.channel);
    text::copyToField(std::span(datagram).subspan(kClientKeyOffset, kClientKeySize),
                      probe.clientKey);
    return datagram;
}

UdpProbe parseUdpProbe(std::span<const uint8_t> datagram) {
    // Not a packet, but the same bounded reading applies.
    const PacketView view(datagram);
    UdpProbe probe;
    probe.userId = view.u32(kUserId);
    probe.localPort = view.u32(kLocalPort);
    probe.channel = view.u16(kChannel);
    probe.clientKey = view.text({kClientKeyOffset, kClientKeySize});
    return probe;
}

}  // namespace zemra::protocol
