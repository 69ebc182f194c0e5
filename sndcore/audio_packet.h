// The audio datagram: a 12-byte RTP-like header followed by four 10-byte
// G.729 frames (or nothing, while the microphone is muted).
//
// Byte 0 holds the version (2) in its two lowest bits, byte 1 the payload
// type (18) above a marker bit 0 - the bit order of each byte reversed
// against RTP - then the sequence number and the millisecond time stamp
// big-endian, and the sender's ID little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zemra::snd {

constexpr size_t kAudioHeaderBytes = 12;
constexpr size_t kAudioPayloadBytes = 40;
constexpr size_t kAudioPacketBytes = kAudioHeaderBytes + kAudioPayloadBytes;
constexpr uint8_t kAudioVersion = 2;
constexpr uint8_t kAudioPayloadType = 18;
// Anything larger is not one of ours and is dropped unread.
constexpr size_t kMaxDatagramBytes = 1024;

struct AudioPacketHeader {
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t sourceId = 0;
};

void writeAudioHeader(const AudioPacketHeader& header, std::span<uint8_t, kAudioHeaderBytes> out);

// The header of a datagram of at least 12 bytes with the right version and
// payload type bits; nullopt otherwise.
std::optional<AudioPacketHeader> readAudioHeader(std::span<const uint8_t> datagram);

}  // namespace zemra::snd
