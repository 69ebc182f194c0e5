// Changes the user makes in the contact list: names, removals and moves.
#include "client/app/client_core.h"
#include "protocol/contact_packets.h"

namespace zemra::client {

void ClientCore::renameGroup(std::size_t index, const std::string& gbkName) {
    if (!contacts_.renameGroup(index, gbkName)) return;
    saveLayout();
    ui_.contactsChanged();
}

void ClientCore::renameContact(uint32_t id, const std::string& gbkNickname) {
    store::Contact* contact = contacts_.findContact(id);
    if (!contact) return;
    contact->nickname = gbkNickname;
    if (const auto group = contacts_.groupOf(*contact)) contacts_.sortGroup(*group);
    onContactChanged(*contact);
}

std::optional<ContactList::KeepGroup> ClientCore::deleteEmptyGroup(std::size_t index) {
    if (const auto why = contacts_.whyKeepGroup(index)) return why;
    contacts_.removeGroup(index);
    saveLayout();
    ui_.contactsChanged();
    return std::nullopt;
}

void ClientCore::requestServerRemoval(uint32_t id) {
    send(protocol::buildSetRelation({id, protocol::kRelationRemove}));
    contacts_.clearTableEntry(id);
}

ClientCore::MoveKind ClientCore::planMove(uint32_t id, std::size_t targetGroup) const {
    const store::Contact* contact = contacts_.findContact(id);
    if (!contact || targetGroup >= contacts_.groupCount()) return MoveKind::None;
    const auto from = contacts_.groupOf(*contact);
    if (!from || *from == targetGroup) return MoveKind::None;
    const bool fromSpecial = contacts_.isSpecialGroup(*from);
    const bool toSpecial = contacts_.isSpecialGroup(targetGroup);
    return !fromSpecial && toSpecial ? MoveKind::ViaServer : MoveKind::Local;
}

void ClientCore::moveLocally(uint32_t id, std::size_t targetGroup) {
    store::Contact* contact = contacts_.findContact(id);
    if (!contact || planMove(id, targetGroup) != MoveKind::Local) return;
    const auto from = contacts_.groupOf(*contact);
    contacts_.moveContact(*contact, targetGroup);
    // Out of a special group into an ordinary one the contact is a friend again.
    if (from && contacts_.isSpecialGroup(*from) && !contacts_.isSpecialGroup(targetGroup)) {
        contact->category = ContactCategory::Ordinary;
    }
    store_.putContact(*contact);
    saveLayout();
    ui_.contactsChanged();
}

}  // namespace zemra::client
