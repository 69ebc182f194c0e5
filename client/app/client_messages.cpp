// Incoming text messages: the sender's contact, sounds, the message store
// and the queue of unread messages.
#include "client/app/client_core.h"

#include <ctime>

#include "client/app/message_split.h"
#include "platform/text.h"
#include "protocol/message_packets.h"

namespace zemra::client {
namespace {

constexpr std::size_t kFriendsGroup = 0;
// The format of the texts the client writes by itself.
constexpr const char* kDefaultFaceName = "宋体";
constexpr uint8_t kDefaultFontSize = 10;

}  // namespace

void ClientCore::onMessage(const store::ChatMessage& message) {
    receiveMessage(message, false);
}

void ClientCore::onPassiveMessage(const store::ChatMessage& message) {
    receiveMessage(message, true);
}

store::Contact& ClientCore::senderContact(uint32_t id, std::size_t group) {
    if (store::Contact* existing = contacts_.findContact(id)) return *existing;
    bool created = false;
    store::Contact& contact =
        contacts_.mergeContact(id, std::to_string(id), 0, false, group, &created);
    store_.putContact(contact);
    saveLayout();
    return contact;
}

void ClientCore::receiveMessage(const store::ChatMessage& message, bool passive) {
    const uint32_t sender = message.peer;
    if (message.kind == store::kMessageAuthPassed) {
        // The sender accepted us: a friend from now on.
        store::Contact& contact = senderContact(sender, kFriendsGroup);
        if (contacts_.groupOf(contact) != kFriendsGroup) {
            contacts_.moveContact(contact, kFriendsGroup);
            contact.category = ContactCategory::Ordinary;
            saveLayout();
        }
    }
    store::Contact* contact = contacts_.findContact(sender);
    if (!contact && !message.isSystemMessage() && contacts_.groupCount() >= 2) {
        contact = &senderContact(sender, contacts_.groupCount() - 2);  // the strangers
    }
    const bool soundsOn = options_.hasFlag(store::kOptSoundPrompts);
    if (message.isSystemMessage()) {
        if (soundsOn) ui_.playSound(options_.sounds[store::CUserOptions::kSoundSystemMessage]);
        store_.putMessage(message);
        queueMessage(message);
        return;
    }
    if (contact && !passive && contact->presence == Presence::Offline) {
        contact->presence = Presence::Online;
        if (const auto group = contacts_.groupOf(*contact)) contacts_.sortGroup(*group);
        ui_.contactsChanged();
    }
    if (soundsOn) {
        const bool ownSound = contact && contact->hasOption(store::kContactOwnSounds) &&
                              !contact->messageSound.empty();
        ui_.playSound(ownSound ? contact->messageSound
                               : options_.sounds[store::CUserOptions::kSoundMessage]);
    }
    if (message.kind == store::kMessageQueueOnly) {
        queueMessage(message);
        return;
    }
    store_.putMessage(message);
    // Away with a reply text: the sender hears it once per message, but an
    // automatic reply is never answered (two away users would never stop).
    if (!passive && ownStatus_ == OwnStatus::Away && options_.hasFlag(store::kOptAutoReplyActive) &&
        !options_.autoReplyText.empty() && message.kind != store::kMessageAutoReply) {
        sendTextHook(store::kMessageAutoReply, sender, options_.autoReplyText);
    }
    // Sending may have run the event loop: look the contact up again.
    contact = contacts_.findContact(sender);
    if (contact && contact->hasOption(store::kContactDialogueMode) &&
        ui_.showInChatWindow(message)) {
        return;
    }
    queueMessage(message);
    if (windows_.findWindow(WindowKind::MessageView, sender)) {
        ui_.nextMessageWaiting(sender);
    } else if (options_.hasFlag(store::kOptAutoPopupMessages)) {
        ui_.openMessageView(sender);
    }
}

void ClientCore::queueMessage(const store::ChatMessage& message) {
    messages_.push(message);
    ui_.queueChanged();
}

std::optional<store::ChatMessage> ClientCore::takeQueued(uint32_t peer) {
    auto message = messages_.takeQueued(peer);
    if (message) ui_.queueChanged();
    return message;
}

std::optional<store::ChatMessage> ClientCore::takeFirstQueued() {
    auto message = messages_.takeFirst();
    if (message) ui_.queueChanged();
    return message;
}

std::vector<store::ChatMessage> ClientCore::sendChatMessage(const store::ChatMessage& message) {
    std::vector<store::ChatMessage> sent;
    for (std::string& piece : splitMessageText(message.text, protocol::kMaxMessageTextBytes)) {
        // Each send may run the event loop, and the link may go meanwhile.
        if (!connection_.connected()) break;
        store::ChatMessage part = message;
        part.flags = 0;
        part.text = std::move(piece);
        part.faceName = std::string(text::gbkPrefix(message.faceName, protocol::kMaxFaceNameBytes));
        protocol::TextMessage packet;
        packet.kind = part.kind;
        packet.fontSize = part.size;
        packet.colour = static_cast<uint8_t>(part.colour & 0xFF);
        packet.effects = part.effects;
        packet.faceName = part.faceName;
        packet.flags = part.flags;
        packet.peerId = part.peer;
        packet.text = part.text;
        packet.time = part.time;
        send(protocol::buildMessage(packet));
        store_.putMessage(part);
        sent.push_back(std::move(part));
    }
    return sent;
}

void ClientCore::sendTextHook(uint8_t kind, uint32_t peer, const std::string& gbkText) {
    store::ChatMessage message;
    message.kind = kind;
    message.peer = peer;
    message.time = static_cast<uint32_t>(std::time(nullptr));
    message.text = gbkText;
    message.faceName = text::toGbk(kDefaultFaceName);
    message.size = kDefaultFontSize;
    sendChatMessage(message);
}

}  // namespace zemra::client
