#include "audio_packet.h"

#include "platform/byte_order.h"

namespace zemra::snd {

void writeAudioHeader(const AudioPacketHeader& header, std::span<uint8_t, kAudioHeaderBytes> out) {
    uint8_t* p = out.data();
    p[0] = kAudioVersion;  // padding, extension and source count all 0
    p[1] = static_cast<uint8_t>(kAudioPayloadType << 1);  // marker 0
    p[2] = static_cast<uint8_t>(header.sequence >> 8);
    p[3] = static_cast<uint8_t>(header.sequence);
    p[4] = static_cast<uint8_t>(header.timestamp >> 24);
    p[5] = static_cast<uint8_t>(header.timestamp >> 16);
    p[6] = static_cast<uint8_t>(header.timestamp >> 8);
    p[7] = static_cast<uint8_t>(header.timestamp);
    putLe32(p + 8, header.sourceId);
}

std::optional<AudioPacketHeader> readAudioHeader(std::span<const uint8_t> datagram) {
    if (datagram.size() < kAudioHeaderBytes) return std::nullopt;
    const uint8_t* p = datagram.data();
    if ((p[0] & 0x03) != kAudioVersion) return std::nullopt;
    if ((getLe16(p) >> 9) != kAudioPayloadType) return std::nullopt;
    AudioPacketHeader h;
    h.sequence = static_cast<uint16_t>((p[2] << 8) | p[3]);
    h.timestamp = (static_cast<uint32_t>(p[4]) << 24) | (static_cast<uint32_t>(p[5]) << 16) |
                  (static_cast<uint32_t>(p[6]) << 8) | p[7];
    h.sourceId = getLe32(p + 8);
    return h;
}

}  // namespace zemra::snd
