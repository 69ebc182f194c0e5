#include "protocol/relay_hello.h"

#include "platform/byte_order.h"

namespace zemra::protocol {

std::array<uint8_t, kRelayHelloSize> RelayHello::encode() const {
    std::array<uint8_t, kRelayHelloSize> out{};
    putLe32(&out[0], kRelayMagic);
    putLe32(&out[4], ownId);
    putLe32(&out[8], peerId);
    putLe32(&out[12], token);
    putLe32(&out[16], static_cast<uint32_t>(role));
    putLe32(&out[20], fileSize);
    return out;
}

std::optional<RelayHello> RelayHello::decode(std::span<const uint8_t> bytes) {
    if (bytes.size() != kRelayHelloSize || getLe32(&bytes[0]) != kRelayMagic) return std::nullopt;
    const uint32_t role = getLe32(&bytes[16]);
    if (role > static_cast<uint32_t>(RelayRole::Sender)) return std::nullopt;
    RelayHello hello;
    hello.ownId = getLe32(&bytes[4]);
    hello.peerId = getLe32(&bytes[8]);
    hello.token = getLe32(&bytes[12]);
    hello.role = static_cast<RelayRole>(role);
    hello.fileSize = getLe32(&bytes[20]);
    return hello;
}

std::array<uint8_t, 4> encodeRelayWord(uint32_t word) {
    std::array<uint8_t, 4> out{};
    putLe32(out.data(), word);
    return out;
}

uint32_t decodeRelayWord(std::span<const uint8_t, 4> bytes) {
    return getLe32(bytes.data());
}

}  // namespace zemra::protocol
