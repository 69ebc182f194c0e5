#include "server/relation_service.h"

#include "protocol/contact_packets.h"
#include "protocol/message_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::server {

using protocol::kRelationBlacklist;
using protocol::kRelationFriend;
using protocol::kRelationRemove;

void RelationService::onSetRelation(uint32_t user, protocol::PacketView packet) {
    const protocol::RelationChange change = protocol::parseRelationChange(packet);
    switch (change.relation) {
        case kRelationFriend:
            return addFriend(user, change.userId);
        case kRelationBlacklist:
            return blacklist(user, change.userId);
        case kRelationRemove:
            return remove(user, change.userId);
        default:
            // Strangers are a group of the client's own; other codes mean nothing here.
            state_.out.log("relation " + std::to_string(change.relation) + " from " +
                           std::to_string(user) + " ignored");
    }
}

void RelationService::refuse(uint32_t user) {
    state_.sendToUser(user, protocol::buildHeaderOnly(protocol::PT_ADD_REFUSED));
}

bool RelationService::listFull(uint32_t user, uint32_t target) {
    return state_.store.relation(user, target) == 0 &&
           state_.store.contactCount(user) >= kMaxContacts;
}

void RelationService::addFriend(uint32_t user, uint32_t target) {
    const UserRecord* other = state_.directory.find(target);
    if (target == user || !other || listFull(user, target)) return refuse(user);
    if (state_.store.relation(user, target) == kRelationFriend) {
        return make(user, target, kRelationFriend);  // already there: just confirm
    }
    if (state_.store.relation(target, user) == kRelationBlacklist) return refuse(user);
    switch (other->addPolicy) {
        case AddPolicy::Anyone:
            make(user, target, kRelationFriend);
            messages_.sendNotice(user, target, protocol::kMessageNotice);
            return;
        case AddPolicy::Auth:
            // Remembered so that only a real request can be accepted later.
            state_.store.addAuthRequest(user, target);
            state_.sendToUser(user, protocol::buildHeaderOnly(protocol::PT_ADD_NEEDS_AUTH));
            return;
        case AddPolicy::Nobody:
            return refuse(user);
    }
}

void RelationService::blacklist(uint32_t user, uint32_t target) {
    if (target == user || !state_.directory.find(target) || listFull(user, target)) {
        return refuse(user);
    }
    make(user, target, kRelationBlacklist);
}

void RelationService::remove(uint32_t user, uint32_t target) {
    const uint16_t before = state_.store.relation(user, target);
    state_.store.removeRelation(user, target);
    // Confirmed even when there was nothing to remove, so the client's
    // waiting window always closes.
    state_.sendToUser(user, protocol::buildUserIdPacket(protocol::PT_CONTACT_REMOVED, target));
    relationChanged(user, target, before, 0);
}

void RelationService::make(uint32_t owner, uint32_t contact, uint16_t relation) {
    const uint16_t before = state_.store.relation(owner, contact);
    if (before != relation) state_.store.setRelation(owner, contact, relation);
    state_.sendToUser(
        owner, protocol::buildContactAdded(presence_.contactRecord(contact, relation, owner)));
    relationChanged(owner, contact, before, relation);
}

// Blacklisting someone hides one's presence from him, lifting it shows it again.
void RelationService::relationChanged(uint32_t owner, uint32_t contact, uint16_t before,
                                      uint16_t after) {
    if ((before == kRelationBlacklist) == (after == kRelationBlacklist)) return;
    if (!state_.sessions.find(contact)) return;
    if (state_.store.relation(contact, owner) != kRelationFriend) return;
    presence_.tell(owner, contact);
}

void RelationService::onAuthAccept(uint32_t user, protocol::PacketView packet) {
    const uint32_t requester = protocol::parseRelationChange(packet).userId;
    if (!state_.store.takeAuthRequest(requester, user)) {
        state_.out.log("acceptance by " + std::to_string(user) + " of no request from " +
                       std::to_string(requester) + " ignored");
        return;
    }
    if (listFull(requester, user)) return;
    make(requester, user, kRelationFriend);
    messages_.sendNotice(user, requester, protocol::kMessageAuthPassed);
}

void RelationService::onAuthRefuse(uint32_t user, protocol::PacketView packet) {
    const uint32_t requester = protocol::parseRelationChange(packet).userId;
    if (!state_.store.takeAuthRequest(requester, user)) return;
    messages_.sendNotice(user, requester, protocol::kMessageAuthRefused);
}

}  // namespace zemra::server
