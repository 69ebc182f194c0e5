#include "server/message_relay.h"

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
    if (!state_.store.storeMessage(recipient,
                                   protocol::buildMessage(message, protocol::PT_MESSAGE_PASSIVE))) {
        state_.out.log("offline box of " + std::to_string(recipient) + " full, message dropped");
    }
}

void MessageRelay::deliverStored(uint32_t user) {
    for (auto& packet : state_.store.takeMessages(user)) {
        // Rebuilt from its fields, so that whatever is in the store goes out
        // as a well-formed passive message.
        const TextMessage message = protocol::parseMessage(packet);
        state_.sendToUser(user, protocol::buildMessage(message, protocol::PT_MESSAGE_PASSIVE));
    }
}

}  // namespace zemra::server
