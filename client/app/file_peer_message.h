// The server's "the other side accepted" (PT_FILE_PEER) reaches the file
// transfer window as a window message, as the other file notices do: the
// two values for StartSend share the first parameter and the other side's
// address is the second.
#pragma once

#include <cstdint>

#include "protocol/file_packets.h"

namespace zemra::client {

inline constexpr uint32_t kWmFilePeer = 3128;

static_assert(sizeof(uintptr_t) >= 8, "both 32-bit values travel in one parameter");

inline uintptr_t filePeerWParam(const protocol::FilePeer& peer) {
    return (static_cast<uintptr_t>(peer.valueAt32) << 32) | peer.valueAt40;
}

inline intptr_t filePeerLParam(const protocol::FilePeer& peer) {
    return static_cast<intptr_t>(peer.peerAddress);
}

inline protocol::FilePeer filePeerOf(uintptr_t wParam, intptr_t lParam) {
    protocol::FilePeer peer;
    peer.peerAddress = static_cast<uint32_t>(lParam);
    peer.valueAt32 = static_cast<uint32_t>(wParam >> 32);
    peer.valueAt40 = static_cast<uint32_t>(wParam);
    return peer;
}

}  // namespace zemra::client
