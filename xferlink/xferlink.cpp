// The exported functions: a table of running transfers, one per peer.
#include "include/xferlink.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "xferlink/transfer_session.h"

namespace zemra::xferlink {
namespace {

struct Library {
    // Taken for the whole of StartSend, TermialSend and QuitSend: a replaced
    // or ended transfer has finished, clean-up and all, before the next call
    // can start another one. Without it two starts for one peer could both
    // run, and the loser's clean-up would hit the winner's file.
    std::mutex order;
    // The table and the settings.
    std::mutex mutex;
    uint32_t ownId = 0;
    std::string serverAddress;
    uint16_t relayPort = kFileRelayPort;
    std::map<uint32_t, std::unique_ptr<TransferSession>> sessions;
};

Library& library() {
    static Library instance;
    return instance;
}

// Takes the session of `peerId` out of the table; the caller destroys it
// outside the lock, which waits for its thread.
std::unique_ptr<TransferSession> takeSession(Library& lib, uint32_t peerId) {
    const auto it = lib.sessions.find(peerId);
    if (it == lib.sessions.end()) return nullptr;
    auto session = std::move(it->second);
    lib.sessions.erase(it);
    return session;
}

}  // namespace
}  // namespace zemra::xferlink

using namespace zemra::xferlink;

extern "C" int InitPort(long ownUserId, long relayPort, const char* serverAddress) {
    if (serverAddress == nullptr || relayPort <= 0 || relayPort > 65535) return 0;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    lib.ownId = static_cast<uint32_t>(ownUserId);
    lib.relayPort = static_cast<uint16_t>(relayPort);
    lib.serverAddress = serverAddress;
    return 1;
}

extern "C" int StartSend(long transferToken, const char* /*peerAddress*/, long peerUserId,
                         const char* /*name*/, const char* path, const char* /*fileName*/,
                         long fileSize, int isSender, uintptr_t window) {
    if (path == nullptr || fileSize < 0 || fileSize > 0xFFFFFFFFL) return 0;
    Library& lib = library();
    std::lock_guard order(lib.order);
    {
        // A transfer still running with this peer ends first; destroying it
        // waits for its thread, outside the table's lock.
        std::unique_ptr<TransferSession> replaced;
        std::lock_guard lock(lib.mutex);
        replaced = takeSession(lib, static_cast<uint32_t>(peerUserId));
    }
    std::lock_guard lock(lib.mutex);
    if (lib.serverAddress.empty()) return 0;
    TransferRequest request;
    request.serverAddress = lib.serverAddress;
    request.relayPort = lib.relayPort;
    request.ownId = lib.ownId;
    request.peerId = static_cast<uint32_t>(peerUserId);
    request.token = static_cast<uint32_t>(transferToken);
    request.role = isSender ? RelayRole::Sender : RelayRole::Receiver;
    request.path = path;
    request.fileSize = static_cast<uint32_t>(fileSize);
    request.window = window;
    lib.sessions[request.peerId] = std::make_unique<TransferSession>(std::move(request));
    return 1;
}

extern "C" int TermialSend(long peerUserId) {
    Library& lib = library();
    std::lock_guard order(lib.order);
    std::unique_ptr<TransferSession> session;
    {
        std::lock_guard lock(lib.mutex);
        session = takeSession(lib, static_cast<uint32_t>(peerUserId));
    }
    return session != nullptr;
}

extern "C" void QuitSend(void) {
    Library& lib = library();
    std::lock_guard order(lib.order);
    std::map<uint32_t, std::unique_ptr<TransferSession>> sessions;
    {
        std::lock_guard lock(lib.mutex);
        sessions.swap(lib.sessions);
    }
    // Destroying them cancels each transfer and waits for its thread.
}
