// The 32-byte datagram each media socket sends to the server every few
// seconds, so that the server learns the socket's public address and port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/packet_types.h"

namespace zemra::protocol {

inline constexpr uint16_t kProbeChannelVideo = 1;  // sent to kVideoProbePort
inline constexpr uint16_t kProbeChannelAudio = 2;  // sent to kAudioProbePort

struct UdpProbe {
    uint32_t userId = 0;
    uint32_t localPort = 0;  // the port the sending socket is bound to
    uint16_t channel = kProbeChannelVideo;
    std::string clientKey{kClientKey};

    bool operator==(const UdpProbe&) const = default;
};

inline constexpr std::size_t kUdpProbeSize = 32;
std::vector<uint8_t> buildUdpProbe(const UdpProbe& probe);
// Fields beyond the end of a short datagram read as 0 or empty.
UdpProbe parseUdpProbe(std::span<const uint8_t> datagram);

}  // namespace zemra::protocol
