#include "server/message_relay.h"

#include <algorithm>

#include "protocol/contact_packets.h"

namespace zemra::server {

using protocol::TextMessage;

namespace {

// Kinds a client may send; the notice kinds only ever come from the server,
// so a client cannot forge "your request was accepted".
bool clientMaySend(uint8_t kind) {
    return kind == protocol::kMessageText || kind == protocol::kMessageAutoReply ||
           kind == protocol::kMessageAuthRequest || kind == protocol::kMessageQueuedOnly;
}

}  // namespace

void MessageRelay::onMessage(uint32_t sender, protocol::PacketView packet) {
    TextMessage message = protocol::parseMessage(packet);
    const uint32_t recipient = message.peerId;
    if (!clientMaySend(message.kind)) {
        state_.out.log("message from " + std::to_string(sender) + " with kind " +
                       std::to_string(message.kind) + " dropped");
        return;
    }
    if (!state_.directory.find(recipient) || UserDirectory::isServiceAccount(recipient)) return;
    // Blacklisted senders are dropped without a word, as if delivered.
    if (state_.store.relation(recipient, sender) == protocol::kRelationBlacklist) return;
    message.peerId = sender;
    if (message.time == 0) message.time = state_.clock();
    deliver(recipient, message);
}

void MessageRelay::sendNotice(uint32_t from, uint32_t to, uint8_t kind) {
    TextMessage message;
    message.kind = kind;
    message.peerId = from;
    message.time = state_.clock();
    deliver(to, message);
}

void MessageRelay::deliver(uint32_t recipient, const TextMessage& message) {
    if (state_.sendToUser(recipient, protocol::buildMessage(message))) return;
    const OfflineStore stored = state_.store.storeMessage(
        recipient, message.peerId, protocol::buildMessage(message, protocol::PT_MESSAGE_PASSIVE));
    if (stored == OfflineStore::BoxFull) {
        state_.out.log("offline box of " + std::to_string(recipient) + " full, message dropped");
    } else if (stored == OfflineStore::SenderShareUsed) {
        state_.out.log("offline box of " + std::to_string(recipient) + " holds " +
                       std::to_string(ServerStore::kMaxOfflinePerSender) + " messages from " +
                       std::to_string(message.peerId) + ", message dropped");
    }
}

void MessageRelay::deliverStored(uint32_t user) {
    const Session* session = state_.sessions.find(user);
    if (!session) return;
    std::vector<StoredMessage> stored;
    try {
        stored = state_.store.loadMessages(user);
    } catch (const StoreError& error) {
        state_.out.log("stored messages of " + std::to_string(user) +
                       " not delivered: " + error.what());
        return;
    }
    for (const StoredMessage& kept : stored) {
        if (!inFlight_.emplace(kept.id, user).second) continue;
        // Rebuilt from its fields, so that whatever is in the store goes out
        // as a well-formed passive message.
        const TextMessage message = protocol::parseMessage(kept.packet);
        state_.out.send(session->connection,
                        protocol::buildMessage(message, protocol::PT_MESSAGE_PASSIVE),
                        static_cast<uint64_t>(kept.id));
    }
}

void MessageRelay::onWritten(ConnectionId connection, std::span<const uint64_t> receipts,
                             bool written) {
    std::vector<int64_t> ids;
    std::vector<uint32_t> recipients;
    for (const uint64_t receipt : receipts) {
        const auto it = inFlight_.find(static_cast<int64_t>(receipt));
        if (it == inFlight_.end()) continue;
        ids.push_back(it->first);
        if (std::find(recipients.begin(), recipients.end(), it->second) == recipients.end()) {
            recipients.push_back(it->second);
        }
        inFlight_.erase(it);
    }
    if (written) {
        try {
            state_.store.deleteMessages(ids);
        } catch (const StoreError& error) {
            // They come again at the next login: twice is better than never.
            state_.out.log("delivered messages not deleted: " + std::string(error.what()));
        }
        return;
    }
    // Lost with a connection that went. If the recipient has logged in
    // again elsewhere meanwhile, that login skipped them: they go there now.
    for (const uint32_t recipient : recipients) {
        const Session* session = state_.sessions.find(recipient);
        if (session && session->connection != connection) deliverStored(recipient);
    }
}

}  // namespace zemra::server
