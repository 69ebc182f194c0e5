#include "vidcore/video_packet.h"

#include "platform/byte_order.h"

namespace zemra::vid {
namespace {

void putBe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

void putBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint16_t getBe16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t getBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

}  // namespace

void VideoPacketHeader::writeTo(uint8_t* out) const {
    out[0] = kVideoDataByte0;
    out[1] = kVideoByte1;
    putBe16(out + 2, sequence);
    putBe32(out + 4, timeStamp);
    putLe32(out + 8, senderId);
    out[12] = count;
    out[13] = index;
    out[14] = 0;
    out[15] = 0;
}

std::optional<VideoPacketHeader> VideoPacketHeader::readFrom(std::span<const uint8_t> in) {
    if (in.size() < kVideoHeaderSize) return std::nullopt;
    const uint8_t* p = in.data();
    VideoPacketHeader h;
    h.sequence = getBe16(p + 2);
    h.timeStamp = getBe32(p + 4);
    h.senderId = getLe32(p + 8);
    h.count = p[12];
    h.index = p[13];
    return h;
}

std::array<uint8_t, kVideoReportSize> VideoReport::toBytes() const {
    std::array<uint8_t, kVideoReportSize> out{};
    uint8_t* p = out.data();
    p[0] = kVideoReportByte0;
    p[1] = kVideoByte1;
    putBe32(p + 4, clockMs);
    putLe32(p + 8, senderId);
    putLe16(p + 12, 1);
    putLe16(p + 14, 4);
    putLe32(p + 16, framesReceived);
    putLe32(p + 20, framesLost);
    putLe32(p + 24, lostSinceReport);
    return out;
}

std::optional<VideoReport> VideoReport::readFrom(std::span<const uint8_t> in) {
    if (in.size() < kVideoReportSize) return std::nullopt;
    const uint8_t* p = in.data();
    VideoReport r;
    r.clockMs = getBe32(p + 4);
    r.senderId = getLe32(p + 8);
    r.framesReceived = getLe32(p + 16);
    r.framesLost = getLe32(p + 20);
    r.lostSinceReport = getLe32(p + 24);
    return r;
}

DatagramKind classifyDatagram(std::span<const uint8_t> d, uint32_t expectedSender) {
    if (d.size() < kMinVideoDatagram) return DatagramKind::kIgnored;
    if ((d[0] & 0x03) != 2 || (d[1] >> 1) != kVideoPayloadType) return DatagramKind::kIgnored;
    if (getLe32(d.data() + 8) != expectedSender) return DatagramKind::kIgnored;
    return (d[0] & 0x08) ? DatagramKind::kControl : DatagramKind::kData;
}

size_t fragmentCount(size_t length) {
    const size_t n = length / kFragmentSize + (length % kFragmentSize ? 1 : 0);
    return n > kMaxFragments ? 0 : n;
}

void KeyFramePrefix::writeTo(uint8_t* out) const {
    out[0] = kKeyFrameTag;
    out[1] = 0;
    putLe16(out + 2, width);
    putLe16(out + 4, height);
    out[6] = 0;
    out[7] = 0;
    putLe32(out + 8, compression);
}

std::optional<KeyFramePrefix> KeyFramePrefix::readFrom(std::span<const uint8_t> message) {
    if (message.size() < kKeyFramePrefix || message[0] != kKeyFrameTag) return std::nullopt;
    KeyFramePrefix k;
    k.width = getLe16(message.data() + 2);
    k.height = getLe16(message.data() + 4);
    k.compression = getLe32(message.data() + 8);
    return k;
}

}  // namespace zemra::vid
