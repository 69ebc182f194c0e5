// Incoming text messages: the sender's contact, sounds, the message store
// and the queue of unread messages.
#include "client/app/client_core.h"

namespace zemra::client {
namespace {

constexpr std::size_t kFriendsGroup = 0;

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
        messages_.push(message);
        store_.putMessage(message);
        ui_.messagesQueued();
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
    if (message.kind != store::kMessageQueueOnly) store_.putMessage(message);
    // Automatic replies would go through the send-text hook, which sends nothing;
    // the away text reaches others with the away status. Messages wait in the
    // queue until a window shows them.
    messages_.push(message);
    ui_.messagesQueued();
}

}  // namespace zemra::client
