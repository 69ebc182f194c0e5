// Presence and contact-list events.
#include "client/app/client_core.h"
#include "platform/text.h"

namespace zemra::client {
namespace {

constexpr std::size_t kFriendsGroup = 0;

}  // namespace

void ClientCore::mergeLoginContacts() {
    const auto& table = contacts_.table();
    for (std::size_t i = 1; i < table.size(); ++i) {
        const ContactTableEntry& entry = table[i];
        if (entry.userId == 0) continue;
        bool created = false;
        const std::size_t group =
            entry.relation >= 10 ? entry.relation - 10u : contacts_.groupCount();
        store::Contact& contact = contacts_.mergeContact(entry.userId, entry.nickname, entry.face,
                                                         entry.online, group, &created);
        if (created) store_.putContact(contact);
    }
    ui_.contactsChanged();
}

void ClientCore::saveLayout() {
    store_.putLayout(contacts_.layout(look_));
}

void ClientCore::onContactOnline(uint32_t id, uint8_t presence, uint32_t extra1, uint16_t extra2,
                                 uint32_t extra3, bool quiet) {
    const auto reaction = contacts_.onContactOnline(id, presence, extra1, extra2, extra3);
    if (!reaction) return;
    ui_.contactsChanged();
    // Sending waits with the event loop running: the contact may be gone
    // afterwards, so it is looked up again by its ID.
    if (reaction->goInvisible) goInvisible();
    // Greetings would go through the send-text hook, which sends nothing.
    if (quiet || !options_.hasFlag(store::kOptFriendOnlineNotice)) return;
    const store::Contact* contact = contacts_.findContact(id);
    if (!contact) return;
    if (options_.hasFlag(store::kOptSoundPrompts)) {
        const bool ownSound =
            contact->hasOption(store::kContactOwnSounds) && !contact->onlineSound.empty();
        ui_.playSound(ownSound ? contact->onlineSound
                               : options_.sounds[store::CUserOptions::kSoundFriendOnline]);
    }
    animation_.start(id);
    createFacePopup(faceImage(contact->face, static_cast<int>(contact->presence)),
                    text::toUtf8(contact->nickname) + "(" + std::to_string(id) + ")上线!", 0);
}

void ClientCore::onContactOffline(uint32_t id) {
    if (contacts_.onContactOffline(id)) ui_.contactsChanged();
}

void ClientCore::onContactStatus(uint32_t id, uint8_t presence) {
    if (presence != static_cast<uint8_t>(Presence::Online) &&
        presence != static_cast<uint8_t>(Presence::Away)) {
        return;
    }
    const store::Contact* contact = contacts_.findContact(id);
    if (!contact) return;
    const bool announce =
        contact->presence != Presence::Online && presence == static_cast<uint8_t>(Presence::Online);
    onContactOnline(id, presence, contact->presenceExtra1, contact->presenceExtra2,
                    contact->presenceExtra3, !announce);
}

void ClientCore::onContactAdded(uint32_t id, AddResult result) {
    if (id != 0) {
        const auto& table = contacts_.table();
        if (table.empty() || table.back().userId != id) return;
        const ContactTableEntry& entry = table.back();
        bool created = false;
        const std::size_t group = entry.relation >= 10 ? entry.relation - 10u : kFriendsGroup;
        store::Contact& contact = contacts_.mergeContact(entry.userId, entry.nickname, entry.face,
                                                         entry.online, group, &created);
        if (created) store_.putContact(contact);
        saveLayout();
        ui_.contactsChanged();
    }
    ui_.addFriendResult(id, static_cast<int>(result));
}

void ClientCore::removeStranger(uint32_t id) {
    const store::Contact* contact = contacts_.findContact(id);
    if (!contact || contact->category != ContactCategory::Stranger) return;
    contacts_.removeContact(id);
    store_.deleteContact(id);
    saveLayout();
    ui_.contactsChanged();
}

void ClientCore::completeRemoval(uint32_t id, std::optional<std::size_t> targetGroup) {
    store::Contact* contact = contacts_.findContact(id);
    if (!contact) return;
    if (targetGroup) {
        contacts_.moveContact(*contact, *targetGroup);
        store_.putContact(*contact);
    } else {
        contacts_.removeContact(id);
        store_.deleteContact(id);
    }
    saveLayout();
    ui_.contactsChanged();
}

}  // namespace zemra::client
