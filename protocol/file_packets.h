// File-transfer negotiation. Accept, refuse, busy, cancel and abort carry
// only the other side's ID, as do the server's notices (simple_packets.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// A file offer: PT_FILE_PROPOSE from the offering client (peerId = the
// receiver), relayed as PT_FILE_OFFER (peerId = the offering user, plus
// that user's nickname).
struct FileOffer {
    std::string fileName;  // GBK, without folder, at most 40 bytes
    std::string note;      // GBK, at most 41 bytes
    uint32_t peerId = 0;
    uint32_t fileSize = 0;
    std::string nickname;  // GBK, at most 10 bytes; PT_FILE_OFFER only

    bool operator==(const FileOffer&) const = default;
};

inline constexpr std::size_t kFileOfferSize = 128;
std::vector<uint8_t> buildFilePropose(const FileOffer& offer);  // leaves the nickname out
std::vector<uint8_t> buildFileOffer(const FileOffer& offer);
FileOffer parseFileOffer(PacketView packet);

// PT_FILE_PEER: the other side accepted. The two values are handed to
// xferlink's StartSend unchanged; what they mean is xferlink's business.
struct FilePeer {
    uint32_t peerAddress = 0;  // network byte order (in_addr::s_addr)
    uint32_t valueAt32 = 0;
    uint32_t valueAt40 = 0;

    bool operator==(const FilePeer&) const = default;
};

inline constexpr std::size_t kFilePeerSize = 44;
std::vector<uint8_t> buildFilePeer(const FilePeer& peer);
FilePeer parseFilePeer(PacketView packet);

}  // namespace zemra::protocol
