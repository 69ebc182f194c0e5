// The greeting each side of a file transfer sends when it connects to the
// server's relay port, and the relay's replies. After the greeting the
// sender streams exactly fileSize bytes, the receiver answers kRelayDone once
// the file is safely in place, and both sides close.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol/packet_types.h"

namespace zemra::protocol {

inline constexpr uint32_t kRelayMagic = 0x5246585A;  // "ZXFR" in the stream
inline constexpr std::size_t kRelayHelloSize = 24;

// Four-byte words the relay and the receiver send back.
inline constexpr uint32_t kRelayPaired = 0x52494150;   // "PAIR": both sides are here, start
inline constexpr uint32_t kRelayRefused = 0x4553554E;  // "NUSE": unknown or mismatched transfer
inline constexpr uint32_t kRelayDone = 0x454E4F44;     // "DONE": receiver has the whole file

enum class RelayRole : uint32_t { Receiver = 0, Sender = 1 };

struct RelayHello {
    uint32_t ownId = 0;
    uint32_t peerId = 0;
    uint32_t token = 0;
    RelayRole role = RelayRole::Receiver;
    uint32_t fileSize = 0;

    std::array<uint8_t, kRelayHelloSize> encode() const;
    // Nullopt for a wrong size, magic or role.
    static std::optional<RelayHello> decode(std::span<const uint8_t> bytes);
    bool operator==(const RelayHello&) const = default;
};

std::array<uint8_t, 4> encodeRelayWord(uint32_t word);
uint32_t decodeRelayWord(std::span<const uint8_t, 4> bytes);

}  // namespace zemra::protocol
