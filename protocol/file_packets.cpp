#include "protocol/file_packets.h"

namespace zemra::protocol {
namespace {

constexpr TextField kFileName{21, 41};
constexpr TextField kNote{62, 42};
constexpr std::size_t kPeerId = 104;
constexpr std::size_t kFileSize = 112;
constexpr TextField kNickname{117, 11};

constexpr std::size_t kPeerAddress = 24;
constexpr std::size_t kPeerValue32 = 32;
constexpr std::size_t kPeerValue40 = 40;

PacketBuilder buildOffer(uint16_t type, const FileOffer& offer) {
    PacketBuilder packet(type, kFileOfferSize);
    packet.text(kFileName, offer.fileName);
    packet.text(kNote, offer.note);
    packet.u32(kPeerId, offer.peerId);
    packet.u32(kFileSize, offer.fileSize);
    return packet;
}

}  // namespace

std::vector<uint8_t> buildFilePropose(const FileOffer& offer) {
    return buildOffer(PT_FILE_PROPOSE, offer).take();
}

std::vector<uint8_t> buildFileOffer(const FileOffer& offer) {
    PacketBuilder packet = buildOffer(PT_FILE_OFFER, offer);
    packet.text(kNickname, offer.nickname);
    return std::move(packet).take();
}

FileOffer parseFileOffer(PacketView packet) {
    FileOffer offer;
    offer.fileName = packet.text(kFileName);
    offer.note = packet.text(kNote);
    offer.peerId = packet.u32(kPeerId);
    offer.fileSize = packet.u32(kFileSize);
    offer.nickname = packet.text(kNickname);
    return offer;
}

std::vector<uint8_t> buildFilePeer(const FilePeer& peer) {
    PacketBuilder packet(PT_FILE_PEER, kFilePeerSize);
    packet.ipv4(kPeerAddress, peer.peerAddress);
    packet.u32(kPeerValue32, peer.valueAt32);
    packet.u32(kPeerValue40, peer.valueAt40);
    return std::move(packet).take();
}

FilePeer parseFilePeer(PacketView packet) {
    return {packet.ipv4(kPeerAddress), packet.u32(kPeerValue32), packet.u32(kPeerValue40)};
}

}  // namespace zemra::protocol
