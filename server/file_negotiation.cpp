#include "server/file_negotiation.h"

#include "protocol/contact_packets.h"
#include "protocol/file_packets.h"
#include "protocol/simple_packets.h"
#include "server/secure_random.h"

namespace zemra::server {

void FileNegotiation::notify(uint32_t user, uint16_t type, uint32_t about) {
    state_.sendToUser(user, protocol::buildUserIdPacket(type, about));
}

bool FileNegotiation::takeOffer(uint32_t sender, uint32_t receiver, uint32_t* fileSize) {
    const auto it = offers_.find({sender, receiver});
    if (it == offers_.end()) return false;
    if (fileSize) *fileSize = it->second;
    offers_.erase(it);
    return true;
}

void FileNegotiation::onPropose(uint32_t sender, protocol::PacketView packet) {
    protocol::FileOffer offer = protocol::parseFileOffer(packet);
    const uint32_t receiver = offer.peerId;
    if (receiver == sender || !state_.sessions.find(receiver)) {
        return notify(sender, protocol::PT_FILE_NOTICE_OFFLINE, receiver);
    }
    if (state_.store.relation(receiver, sender) == protocol::kRelationBlacklist) {
        return notify(sender, protocol::PT_FILE_NOTICE_REFUSED, receiver);
    }
    offers_[{sender, receiver}] = offer.fileSize;
    offer.peerId = sender;
    offer.nickname = state_.nickname(sender);
    state_.sendToUser(receiver, protocol::buildFileOffer(offer));
}

void FileNegotiation::onAccept(uint32_t receiver, protocol::PacketView packet) {
    const uint32_t sender = protocol::parseUserId(packet);
    uint32_t fileSize = 0;
    if (!takeOffer(sender, receiver, &fileSize)) return;
    const Session* from = state_.sessions.find(sender);
    const Session* to = state_.sessions.find(receiver);
    if (!from || !to) return notify(receiver, protocol::PT_FILE_NOTICE_OFFLINE, sender);
    const uint32_t token = randomToken();
    // The relay must know the token before either side can connect with it.
    state_.out.expectTransfer({token, sender, receiver, fileSize});
    started_.insert(unordered(sender, receiver));
    state_.out.send(from->connection, protocol::buildFilePeer({to->address, receiver, token}));
    state_.out.send(to->connection, protocol::buildFilePeer({from->address, sender, token}));
}

void FileNegotiation::onRefuse(uint32_t receiver, protocol::PacketView packet) {
    const uint32_t sender = protocol::parseUserId(packet);
    if (takeOffer(sender, receiver)) notify(sender, protocol::PT_FILE_NOTICE_REFUSED, receiver);
}

// A receiver busy with another transfer turns the offer down; without an
// answer the sender's window would wait forever.
void FileNegotiation::onBusy(uint32_t receiver, protocol::PacketView packet) {
    onRefuse(receiver, packet);
}

void FileNegotiation::onCancel(uint32_t sender, protocol::PacketView packet) {
    const uint32_t receiver = protocol::parseUserId(packet);
    if (takeOffer(sender, receiver)) notify(receiver, protocol::PT_FILE_NOTICE_CANCELLED, sender);
}

void FileNegotiation::onAbort(uint32_t user, protocol::PacketView packet) {
    const uint32_t peer = protocol::parseUserId(packet);
    // Aborting before the answer is the same as withdrawing or refusing.
    if (takeOffer(user, peer)) return notify(peer, protocol::PT_FILE_NOTICE_CANCELLED, user);
    if (takeOffer(peer, user)) return notify(peer, protocol::PT_FILE_NOTICE_REFUSED, user);
    if (started_.count(unordered(user, peer)) == 0) return;
    notify(peer, protocol::PT_FILE_NOTICE_ABORTED, user);
}

void FileNegotiation::onLogout(uint32_t user) {
    for (auto it = offers_.begin(); it != offers_.end();) {
        const auto [sender, receiver] = it->first;
        if (sender == user) {
            notify(receiver, protocol::PT_FILE_NOTICE_CANCELLED, sender);
        } else if (receiver == user) {
            notify(sender, protocol::PT_FILE_NOTICE_OFFLINE, receiver);
        } else {
            ++it;
            continue;
        }
        it = offers_.erase(it);
    }
    for (auto it = started_.begin(); it != started_.end();) {
        it = (it->first == user || it->second == user) ? started_.erase(it) : std::next(it);
    }
}

}  // namespace zemra::server
