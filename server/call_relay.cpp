#include "server/call_relay.h"

#include "protocol/call_packets.h"
#include "protocol/contact_packets.h"
#include "protocol/simple_packets.h"
#include "protocol/udp_probe.h"

namespace zemra::server {

using protocol::kCallAnswerBusy;
using protocol::kCallAnswerNoEffect;
using protocol::kCallAnswerNotOnline;
using protocol::kCallAnswerRefused;

namespace {

bool busy(const Session& session) {
    return session.callPartner || session.outgoingCall || session.incomingCall;
}

}  // namespace

void CallRelay::answer(uint32_t caller, uint16_t subCode) {
    state_.sendToUser(caller, protocol::buildSubCodePacket(protocol::PT_CALL_ANSWER, subCode));
}

void CallRelay::onRequest(uint32_t callerId, protocol::PacketView packet) {
    Session* caller = state_.sessions.find(callerId);
    const uint32_t calleeId = protocol::parseCallRequest(packet);
    if (!caller) return;
    if (calleeId == callerId || busy(*caller)) return answer(callerId, kCallAnswerNoEffect);
    Session* callee = state_.sessions.find(calleeId);
    if (!callee) return answer(callerId, kCallAnswerNotOnline);
    if (state_.store.relation(calleeId, callerId) == protocol::kRelationBlacklist) {
        return answer(callerId, kCallAnswerRefused);
    }
    if (busy(*callee)) return answer(callerId, kCallAnswerBusy);
    // Away with a text: the caller gets the text as a note instead of a ring.
    if (callee->away && !callee->awayText.empty()) {
        state_.sendToUser(callerId, protocol::buildCallNote(callee->awayText));
        return;
    }
    caller->outgoingCall = calleeId;
    callee->incomingCall = callerId;
    protocol::CallIncoming incoming;
    incoming.callerId = callerId;
    incoming.nickname = state_.nickname(callerId);
    incoming.extraAt40 = caller->hasVideo;
    incoming.extraAt48 = caller->hasAudio;
    state_.out.send(callee->connection, protocol::buildCallIncoming(incoming));
}

void CallRelay::decline(Session& callee, uint32_t callerId) {
    callee.incomingCall = 0;
    if (Session* caller = state_.sessions.find(callerId)) {
        caller->outgoingCall = 0;
        answer(callerId, kCallAnswerRefused);
    }
}

void CallRelay::cancel(Session& caller, uint32_t calleeId) {
    caller.outgoingCall = 0;
    if (Session* callee = state_.sessions.find(calleeId)) {
        callee->incomingCall = 0;
        state_.out.send(callee->connection, protocol::buildCallWithdrawn(
                                                {caller.userId, state_.nickname(caller.userId)}));
    }
}

void CallRelay::onDecline(uint32_t calleeId, protocol::PacketView packet) {
    Session* callee = state_.sessions.find(calleeId);
    const uint32_t callerId = protocol::parseUserId(packet);
    if (callee && callerId != 0 && callee->incomingCall == callerId) decline(*callee, callerId);
}

void CallRelay::onCancel(uint32_t callerId, protocol::PacketView packet) {
    Session* caller = state_.sessions.find(callerId);
    const uint32_t calleeId = protocol::parseUserId(packet);
    if (caller && calleeId != 0 && caller->outgoingCall == calleeId) cancel(*caller, calleeId);
}

// Each side learns where the other's media come from.
void CallRelay::connect(Session& caller, Session& callee) {
    caller.outgoingCall = 0;
    callee.incomingCall = 0;
    caller.callPartner = callee.userId;
    callee.callPartner = caller.userId;
    const auto describe = [this](const Session& partner) {
        protocol::CallConnected call;
        call.partnerAddress = partner.video   ? partner.video->address
                              : partner.audio ? partner.audio->address
                                              : partner.address;
        call.videoPort = partner.video ? partner.video->port : 0;
        call.audioPort = partner.audio ? partner.audio->port : 0;
        call.partnerId = partner.userId;
        call.nickname = state_.nickname(partner.userId);
        return protocol::buildCallConnected(call);
    };
    state_.out.send(caller.connection, describe(callee));
    state_.out.send(callee.connection, describe(caller));
}

void CallRelay::onAccept(uint32_t calleeId, protocol::PacketView packet) {
    Session* callee = state_.sessions.find(calleeId);
    const uint32_t callerId = protocol::parseUserId(packet);
    if (!callee || callerId == 0 || callee->incomingCall != callerId) return;
    Session* caller = state_.sessions.find(callerId);
    if (!caller || caller->outgoingCall != calleeId) {
        callee->incomingCall = 0;
        return;
    }
    connect(*caller, *callee);
}

void CallRelay::onHangup(uint32_t userId, protocol::PacketView packet) {
    Session* user = state_.sessions.find(userId);
    const uint32_t partnerId = protocol::parseUserId(packet);
    if (!user || partnerId == 0) return;
    if (user->callPartner == partnerId) {
        user->callPartner = 0;
        if (Session* partner = state_.sessions.find(partnerId)) {
            partner->callPartner = 0;
            state_.out.send(partner->connection,
                            protocol::buildHeaderOnly(protocol::PT_CALL_ENDED));
        }
    } else if (user->outgoingCall == partnerId) {
        // Hanging up while still dialling withdraws the request.
        cancel(*user, partnerId);
    } else if (user->incomingCall == partnerId) {
        decline(*user, partnerId);
    }
}

void CallRelay::onText(uint32_t userId, protocol::PacketView packet) {
    const Session* user = state_.sessions.find(userId);
    const protocol::CallText line = protocol::parseCallText(packet);
    if (!user || line.partnerId == 0 || user->callPartner != line.partnerId) return;
    state_.sendToUser(line.partnerId,
                      protocol::buildCallTextIn({userId, state_.nickname(userId), line.text}));
}

bool CallRelay::onProbe(uint16_t channel, uint32_t address, uint16_t port,
                        std::span<const uint8_t> datagram) {
    if (datagram.size() != protocol::kUdpProbeSize) return false;
    const protocol::UdpProbe probe = protocol::parseUdpProbe(datagram);
    if (probe.clientKey != protocol::kClientKey) return false;
    Session* session = state_.sessions.find(probe.userId);
    if (!session || session->address != address) return false;
    const MediaEndpoint endpoint{address, port};
    if (channel == protocol::kProbeChannelVideo) {
        session->video = endpoint;
    } else if (channel == protocol::kProbeChannelAudio) {
        session->audio = endpoint;
    } else {
        return false;
    }
    return true;
}

void CallRelay::onLogout(uint32_t userId) {
    Session* user = state_.sessions.find(userId);
    if (!user) return;
    if (user->callPartner) {
        if (Session* partner = state_.sessions.find(user->callPartner)) {
            partner->callPartner = 0;
            state_.out.send(partner->connection,
                            protocol::buildHeaderOnly(protocol::PT_CALL_ENDED));
        }
    } else if (user->outgoingCall) {
        cancel(*user, user->outgoingCall);
    } else if (user->incomingCall) {
        const uint32_t callerId = user->incomingCall;
        user->incomingCall = 0;
        if (Session* caller = state_.sessions.find(callerId)) {
            caller->outgoingCall = 0;
            answer(callerId, kCallAnswerNotOnline);
        }
    }
    user->callPartner = user->outgoingCall = user->incomingCall = 0;
}

}  // namespace zemra::server
