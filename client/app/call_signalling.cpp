#include "client/app/call_signalling.h"

#include <charconv>

#include "client/app/client_texts.h"
#include "platform/text.h"
#include "protocol/call_packets.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

constexpr uint16_t kFriendRelation = 10;
constexpr uint16_t kDroppedRelation = 11;
constexpr std::size_t kCallTextBytes = 402;

std::string format(const char* pattern, uint32_t id, const std::string& utf8Name) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            out += std::to_string(id);
            ++p;
        } else if (p[0] == '%' && p[1] == 's') {
            out += utf8Name;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

CallSignalling::CallSignalling(CallPort& port, QObject* parent) : QObject(parent), port_(port) {
    ringTimer_.setInterval(kRingTickMs);
    dialTimer_.setInterval(kDialTickMs);
    connect(&ringTimer_, &QTimer::timeout, this, &CallSignalling::ringTick);
    connect(&dialTimer_, &QTimer::timeout, this, &CallSignalling::dialTick);
}

std::string CallSignalling::partnerText(const char* pattern) const {
    return format(pattern, partnerId_, text::toUtf8(partnerName_));
}

// --- placing calls ---

void CallSignalling::callNumber(const std::string& typed) {
    if (!port_.linkReady()) return port_.tellCallUser("对不起,您还没有成功登陆服务器");
    if (inCall_) return;
    if (outgoingRinging_) return port_.tellCallUser("系统繁忙，请稍侯...");
    if (incomingRinging_) return port_.tellCallUser("您有来电");
    const std::string number = trimBlanks(typed);
    if (number.empty()) return port_.tellCallUser("ID号为空");
    uint32_t id = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), id);
    if (error != std::errc() || end != number.data() + number.size() || id == 0) {
        return port_.tellCallUser("ID号不正确");
    }
    placeCall(id, text::toGbk("未知"));
}

void CallSignalling::callContact(uint32_t id, const std::string& gbkName) {
    if (!port_.linkReady()) return port_.tellCallUser("对不起,您还没有成功登陆服务器");
    if (inCall_) return;
    if (outgoingRinging_) return port_.tellCallUser("系统繁忙，请稍侯...");
    if (incomingRinging_) return port_.tellCallUser("您有来电");
    placeCall(id, gbkName);
}

void CallSignalling::callFromWindow(uint32_t id, const std::string& gbkName,
                                    const char* inCallText) {
    if (inCall_) return port_.tellCallUser(inCallText);
    if (id == port_.ownUserId()) return port_.tellCallUser("对不起,不能呼叫自己!");
    callContact(id, gbkName);
}

void CallSignalling::placeCall(uint32_t calleeId, const std::string& gbkName) {
    if (calleeId == port_.ownUserId()) return port_.tellCallUser("不能呼叫自己");
    if (inConference_) return port_.tellCallUser("您正在会议中");
    partnerId_ = calleeId;
    partnerName_ = gbkName;
    placedByMe_ = true;
    lastDialled_ = calleeId;
    port_.showCallButtons(true);
    port_.sendCallPacket(protocol::buildCallRequest(calleeId));
    setCallUi(CallUi::DialOut);
}

// --- the windows' buttons ---

void CallSignalling::acceptRinging() {
    if (!incomingRinging_) return;
    port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_ACCEPT, partnerId_));
    log(store::kCallInAccepted);
    accepted_ = true;
    placedByMe_ = false;
    setCallUi(CallUi::HideAll);
}

void CallSignalling::declineRinging() {
    if (!incomingRinging_) return;
    port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_DECLINE, partnerId_));
    log(store::kCallMissedIdle);
    setCallUi(CallUi::HideAll);
    forgetPartner();
}

void CallSignalling::cancelDialling() {
    if (!outgoingRinging_) return;
    port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_CANCEL, partnerId_));
    onCallEvent(kOwnCancel);
}

void CallSignalling::ringTick() {
    if (++ringTicks_ <= kTimeoutTicks) return;
    // Nobody answered: the caller's own dial-out window gives up by itself.
    log(store::kCallMissedIdle);
    setCallUi(CallUi::HideAll);
    forgetPartner();
}

void CallSignalling::dialTick() {
    if (++dialTicks_ <= kTimeoutTicks) return;
    log(store::kCallOutNoAnswer);
    cancelDialling();
}

void CallSignalling::hangUp() {
    if (ending_) return;
    if (outgoingRinging_) {
        // Still dialling: the callee's ringing stops with the withdrawal.
        cancelDialling();
        return;
    }
    if (!inCall_ && !accepted_) return;
    ending_ = true;
    if (inCall_) port_.callTeardown();
    const uint32_t partner = partnerId_;
    inCall_ = incomingRinging_ = outgoingRinging_ = accepted_ = false;
    if (!deviceTest_) {
        port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_HANGUP, partner));
    }
    endCall();
}

void CallSignalling::startDeviceTest(uint32_t ownId, const std::string& gbkName, uint32_t address,
                                     uint16_t videoPort, uint16_t audioPort) {
    if (!idle()) return;
    deviceTest_ = true;
    partnerId_ = ownId;
    partnerName_ = gbkName;
    connection_ = ConnectedCall{ownId, gbkName, address, videoPort, audioPort};
    port_.showCallButtons(true);
    onCallEvent(kConnected);
}

void CallSignalling::endCall() {
    forgetPartner();
    backToIdleButtons();
    ending_ = false;
}

void CallSignalling::forgetPartner() {
    deviceTest_ = false;
    partnerId_ = 0;
    partnerName_.clear();
    connection_.reset();
    placedByMe_ = false;
}

// --- in-call text ---

void CallSignalling::sendCallText(const std::string& utf8Input) {
    if (!inCall_) return port_.tellCallUser("通话中才能使用本功能");
    const std::string input = trimBlanks(utf8Input);
    if (input.empty()) return port_.tellCallUser("不能输入空信息");
    const std::string gbk(text::gbkPrefix(text::toGbk(input), kCallTextBytes));
    port_.callTextLine("我:" + text::toUtf8(gbk) + "\r\n", true);
    port_.sendCallPacket(protocol::buildCallText({partnerId_, gbk}));
}

void CallSignalling::onCallText(uint32_t senderId, const std::string& nickname,
                                const std::string& gbkText) {
    if (!inCall_ || senderId != partnerId_) return;
    port_.callTextLine("<" + std::to_string(senderId) + ">" + text::toUtf8(nickname) + ":" +
                           text::toUtf8(gbkText) + "\r\n",
                       false);
}

// --- server packets ---

bool CallSignalling::handlePacket(uint16_t type, std::span<const uint8_t> bytes) {
    using namespace protocol;
    const PacketView packet(bytes);
    switch (type) {
        case PT_CALL_ANSWER:
            onAnswer(parseSubCode(packet));
            return true;
        case PT_CALL_NOTE:
            onNote(parseCallNote(packet));
            return true;
        case PT_CALL_INCOMING: {
            const CallIncoming call = parseCallIncoming(packet);
            onIncoming(call.callerId, call.nickname);
            return true;
        }
        case PT_CALL_WITHDRAWN: {
            const CallWithdrawn call = parseCallWithdrawn(packet);
            onWithdrawn(call.callerId, call.nickname);
            return true;
        }
        case PT_CALL_CONNECTED: {
            const CallConnected call = parseCallConnected(packet);
            onConnected({call.partnerId, call.nickname, call.partnerAddress, call.videoPort,
                         call.audioPort});
            return true;
        }
        case PT_CALL_ENDED:
            onPartnerHungUp();
            return true;
        case PT_CALL_TEXT_IN: {
            const CallTextIn line = parseCallTextIn(packet);
            onCallText(line.senderId, line.nickname, line.text);
            return true;
        }
        default:
            return false;
    }
}

void CallSignalling::onAnswer(uint16_t subCode) {
    // Answers belong to a request still being dialled; a late one (the
    // window timed out, the call was cancelled or is up) changes nothing.
    if (!outgoingRinging_) return;
    switch (subCode) {
        case protocol::kCallAnswerNotOnline:
            onCallEvent(kNotOnline);
            break;
        case protocol::kCallAnswerBusy:
            onCallEvent(kBusy);
            break;
        case protocol::kCallAnswerNoEffect:
            onCallEvent(kNoEffect);
            break;
        case protocol::kCallAnswerRefused:
            if (!inCall_) onCallEvent(kRefused);
            break;
        default:
            break;
    }
}

void CallSignalling::onNote(std::string note) {
    if (!outgoingRinging_) return;
    note_ = std::move(note);
    onCallEvent(kNoteLeft);
}

bool CallSignalling::mayCall(uint32_t callerId) const {
    const auto relation = port_.relationOf(callerId);
    if (relation && *relation == kDroppedRelation) return false;
    if (port_.friendsOnlySetting()) return relation && *relation == kFriendRelation;
    return true;
}

void CallSignalling::onIncoming(uint32_t callerId, const std::string& nickname) {
    if (!mayCall(callerId)) return;  // dropped callers get no answer at all
    // Busy also while another call is being set up: the partner of that
    // call must not be replaced under its windows.
    const bool settingUp = incomingRinging_ || outgoingRinging_ || accepted_;
    if (inCall_ || port_.callModeSetting() == 1 || inConference_ || settingUp) {
        port_.logCall(callerId, nickname,
                      inCall_ ? store::kCallMissedInCall : store::kCallMissedIdle);
        port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_DECLINE, callerId));
        return;
    }
    partnerId_ = callerId;
    partnerName_ = nickname;
    placedByMe_ = false;
    if (port_.callModeSetting() == 0) {
        port_.sendCallPacket(protocol::buildUserIdPacket(protocol::PT_CALL_ACCEPT, callerId));
        incomingRinging_ = false;
        accepted_ = true;
        log(store::kCallInAccepted);
        return;
    }
    onCallEvent(kRing);
}

void CallSignalling::onWithdrawn(uint32_t callerId, const std::string& nickname) {
    port_.logCall(callerId, nickname, store::kCallMissedIdle);
    if (incomingRinging_ && callerId == partnerId_) {
        forgetPartner();
        onCallEvent(kCallerCancelled);
    } else if (accepted_ && !inCall_ && callerId == partnerId_) {
        // Withdrawn just as it was accepted: nothing will connect.
        accepted_ = false;
        endCall();
    }
}

void CallSignalling::onConnected(const ConnectedCall& call) {
    // Only the call being dialled or just accepted connects; anything else
    // would start the media towards an address nobody asked for.
    const bool expected = (outgoingRinging_ || accepted_) && call.partnerId == partnerId_;
    if (!expected || inCall_) return;
    partnerName_ = call.partnerName;
    connection_ = call;
    if (placedByMe_) log(store::kCallOutAccepted);
    onCallEvent(kConnected);
}

void CallSignalling::onPartnerHungUp() {
    if (!inCall_ || ending_) return;
    ending_ = true;
    port_.callTeardown();
    inCall_ = false;
    endCall();
}

// --- events and windows ---

void CallSignalling::onCallEvent(Event event) {
    switch (event) {
        case kNoteLeft:
            backToIdleButtons();
            setCallUi(CallUi::HideAll);
            log(store::kCallOutNoAnswer);
            port_.tellCallUser(format("%s<%d>留言:\r\n", partnerId_, text::toUtf8(partnerName_)) +
                               text::toUtf8(note_));
            forgetPartner();
            break;
        case kConnected:
            setCallUi(CallUi::HideAll);
            accepted_ = false;
            inCall_ = true;
            port_.showCallButtons(true);
            port_.callConnected(*connection_);
            break;
        case kOwnCancel:
            // The hang-up button goes too: there is nothing left to hang up.
            setCallUi(CallUi::HideAll);
            backToIdleButtons();
            forgetPartner();
            break;
        case kCallerCancelled:
            backToIdleButtons();
            setCallUi(CallUi::HideAll);
            port_.tellCallUser("对方取消呼叫");
            break;
        case kRing:
            setCallUi(CallUi::Ringing);
            break;
        case kRefused:
            backToIdleButtons();
            setCallUi(CallUi::HideAll);
            log(store::kCallOutRefused);
            port_.tellCallUser("呼叫请求被拒绝");
            forgetPartner();
            break;
        case kNotOnline:
            backToIdleButtons();
            setCallUi(CallUi::HideAll);
            log(store::kCallOutNoAnswer);
            port_.tellCallUser("对方不在线");
            forgetPartner();
            break;
        case kNoEffect:
            break;
        case kBusy:
            backToIdleButtons();
            setCallUi(CallUi::HideAll);
            port_.tellCallUser(partnerText("%s<%d>正在通话中"));
            forgetPartner();
            break;
    }
}

void CallSignalling::backToIdleButtons() {
    port_.showCallButtons(false);
}

void CallSignalling::setCallUi(CallUi state) {
    switch (state) {
        case CallUi::DialOut:
            outgoingRinging_ = true;
            dialTicks_ = 0;
            dialTimer_.start();
            port_.setCallUi(state, partnerText("您正在呼叫%d_%s"));
            break;
        case CallUi::Ringing:
            incomingRinging_ = true;
            ringTicks_ = 0;
            ringTimer_.start();
            port_.setCallUi(state, partnerText("%d_%s请求呼叫连接"));
            break;
        case CallUi::HideAll:
            outgoingRinging_ = false;
            incomingRinging_ = false;
            dialTimer_.stop();
            ringTimer_.stop();
            port_.setCallUi(state, {});
            break;
    }
}

}  // namespace zemra::client
