// The video datagrams: a 16-byte header in front of each fragment of a
// frame message, and the 28-byte report that doubles as probe and loss
// report. Both keep the RTP version-2 header fields with the bits of the
// first two bytes in reverse order and the source identifier little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zemra::vid {

inline constexpr size_t kVideoHeaderSize = 16;
inline constexpr size_t kFragmentSize = 1000;
inline constexpr size_t kMaxFragments = 80;
inline constexpr size_t kMaxFrameMessage = kFragmentSize * kMaxFragments;
inline constexpr size_t kVideoReportSize = 28;
inline constexpr size_t kMinVideoDatagram = 13;  // enough to hold the sender's ID

inline constexpr uint8_t kVideoDataByte0 = 0x02;    // version 2
inline constexpr uint8_t kVideoReportByte0 = 0x0A;  // version 2, control flag
inline constexpr uint8_t kVideoByte1 = 0x48;        // payload type 36
inline constexpr uint8_t kVideoPayloadType = 36;

// Frame messages, the payload that fragments carry.
inline constexpr size_t kKeyFramePrefix = 12;
inline constexpr size_t kDeltaFramePrefix = 1;
inline constexpr uint8_t kKeyFrameTag = 1;
inline constexpr uint8_t kDeltaFrameTag = 0;

struct VideoPacketHeader {
    uint16_t sequence = 0;
    uint32_t timeStamp = 0;
    uint32_t senderId = 0;
    uint8_t count = 0;
    uint8_t index = 0;

    void writeTo(uint8_t* out) const;  // kVideoHeaderSize bytes
    // Nullopt when fewer than kVideoHeaderSize bytes are given.
    static std::optional<VideoPacketHeader> readFrom(std::span<const uint8_t> in);
};

struct VideoReport {
    uint32_t clockMs = 0;
    uint32_t senderId = 0;
    uint32_t framesReceived = 0;
    uint32_t framesLost = 0;
    uint32_t lostSinceReport = 0;

    std::array<uint8_t, kVideoReportSize> toBytes() const;
    static std::optional<VideoReport> readFrom(std::span<const uint8_t> in);
};

// What the receive side makes of a datagram before looking at its body.
enum class DatagramKind { kIgnored, kData, kControl };
DatagramKind classifyDatagram(std::span<const uint8_t> datagram, uint32_t expectedSender);

// Fragments a message of `length` bytes needs; 0 when it needs more than 80.
size_t fragmentCount(size_t length);

// The 12-byte prefix of a key-frame message.
struct KeyFramePrefix {
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t compression = 0;

    void writeTo(uint8_t* out) const;
    static std::optional<KeyFramePrefix> readFrom(std::span<const uint8_t> message);
};

}  // namespace zemra::vid
