#include "server/presence.h"

#include "protocol/simple_packets.h"

namespace zemra::server {

using protocol::kRelationBlacklist;
using protocol::kRelationFriend;

bool Presence::appearsOnline(uint32_t user, uint32_t viewer) {
    const Session* session = state_.sessions.find(user);
    if (!session || session->invisible) return false;
    return state_.store.relation(user, viewer) != kRelationBlacklist;
}

protocol::ContactRecord Presence::contactRecord(uint32_t contact, uint16_t relation,
                                                uint32_t viewer) {
    protocol::ContactRecord record;
    record.userId = contact;
    record.relation = relation;
    if (const UserRecord* user = state_.directory.find(contact)) {
        record.nickname = user->nickname;
        record.face = user->face;
    }
    // Only friends get presence updates; anyone else would see a stale state.
    record.online = relation == kRelationFriend && appearsOnline(contact, viewer);
    return record;
}

void Presence::announce(uint32_t user, bool online) {
    for (uint32_t watcher : state_.store.ownersWith(user, kRelationFriend)) {
        if (!state_.sessions.find(watcher)) continue;
        if (state_.store.relation(user, watcher) == kRelationBlacklist) continue;
        state_.sendToUser(
            watcher,
            protocol::buildUserIdPacket(
                online ? protocol::PT_CONTACT_ONLINE : protocol::PT_CONTACT_OFFLINE, user));
    }
}

void Presence::tell(uint32_t user, uint32_t viewer) {
    const uint16_t type =
        appearsOnline(user, viewer) ? protocol::PT_CONTACT_ONLINE : protocol::PT_CONTACT_OFFLINE;
    state_.sendToUser(viewer, protocol::buildUserIdPacket(type, user));
}

void Presence::goInvisible(Session& session) {
    session.away = false;
    if (session.invisible) return;
    announce(session.userId, false);
    session.invisible = true;
}

void Presence::goVisible(Session& session) {
    session.away = false;
    if (!session.invisible) return;
    session.invisible = false;
    announce(session.userId, true);
}

void Presence::setAway(Session& session, std::string text) {
    session.away = true;
    session.awayText = std::move(text);
}

void Presence::setCapabilities(Session& session, bool video, bool audio) {
    session.hasVideo = video;
    session.hasAudio = audio;
}

}  // namespace zemra::server
