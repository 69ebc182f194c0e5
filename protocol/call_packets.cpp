#include "protocol/call_packets.h"

namespace zemra::protocol {
namespace {

constexpr std::size_t kNicknameSize = 11;
constexpr std::size_t kLineSize = 403;  // 402 bytes and the NUL

// PT_CALL_REQUEST.
constexpr std::size_t kRequestCalleeId = 24;
constexpr std::size_t kRequestMarker = 30;
constexpr uint16_t kRequestMarkerValue = 1;

// PT_CALL_TEXT.
constexpr std::size_t kTextPartnerId = 24;
constexpr TextField kTextLine{29, kLineSize};

// PT_CALL_TEXT_IN.
constexpr std::size_t kTextInSenderId = 24;
constexpr TextField kTextInNickname{29, kNicknameSize};
constexpr TextField kTextInLine{60, kLineSize};

// PT_CALL_NOTE.
constexpr TextField kNote{21, 41};

// PT_CALL_INCOMING and PT_CALL_WITHDRAWN.
constexpr std::size_t kCallerId = 24;
constexpr TextField kCallerNickname{29, kNicknameSize};
constexpr std::size_t kIncomingExtra40 = 40;
constexpr std::size_t kIncomingExtra48 = 48;

// PT_CALL_CONNECTED.
constexpr std::size_t kConnectedAddress = 24;
constexpr std::size_t kConnectedVideoPort = 32;
constexpr std::size_t kConnectedAudioPort = 40;
constexpr std::size_t kConnectedPartnerId = 48;
constexpr TextField kConnectedNickname{53, kNicknameSize};

}  // namespace

std::vector<uint8_t> buildCallRequest(uint32_t calleeId) {
    PacketBuilder packet(PT_CALL_REQUEST, kCallRequestSize);
    packet.u32(kRequestCalleeId, calleeId);
    packet.u16(kRequestMarker, kRequestMarkerValue);
    return std::move(packet).take();
}

uint32_t parseCallRequest(PacketView packet) {
    return packet.u32(kRequestCalleeId);
}

std::vector<uint8_t> buildCallText(const CallText& line) {
    PacketBuilder packet(PT_CALL_TEXT, kCallTextSize);
    packet.u32(kTextPartnerId, line.partnerId);
    packet.text(kTextLine, line.text);
    return std::move(packet).take();
}

CallText parseCallText(PacketView packet) {
    return {packet.u32(kTextPartnerId), packet.text(kTextLine)};
}

std::vector<uint8_t> buildCallTextIn(const CallTextIn& line) {
    PacketBuilder packet(PT_CALL_TEXT_IN, kCallTextInSize);
    packet.u32(kTextInSenderId, line.senderId);
    packet.text(kTextInNickname, line.nickname);
    packet.text(kTextInLine, line.text);
    return std::move(packet).take();
}

CallTextIn parseCallTextIn(PacketView packet) {
    return {packet.u32(kTextInSenderId), packet.text(kTextInNickname), packet.text(kTextInLine)};
}

std::vector<uint8_t> buildCallNote(std::string_view gbk) {
    PacketBuilder packet(PT_CALL_NOTE, kCallNoteSize);
    packet.text(kNote, gbk);
    return std::move(packet).take();
}

std::string parseCallNote(PacketView packet) {
    return packet.text(kNote);
}

std::vector<uint8_t> buildCallIncoming(const CallIncoming& call) {
    PacketBuilder packet(PT_CALL_INCOMING, kCallIncomingSize);
    packet.u32(kCallerId, call.callerId);
    packet.text(kCallerNickname, call.nickname);
    packet.u32(kIncomingExtra40, call.extraAt40);
    packet.u32(kIncomingExtra48, call.extraAt48);
    return std::move(packet).take();
}

CallIncoming parseCallIncoming(PacketView packet) {
    return {packet.u32(kCallerId), packet.text(kCallerNickname), packet.u32(kIncomingExtra40),
            packet.u32(kIncomingExtra48)};
}

std::vector<uint8_t> buildCallWithdrawn(const CallWithdrawn& call) {
    PacketBuilder packet(PT_CALL_WITHDRAWN, kCallWithdrawnSize);
    packet.u32(kCallerId, call.callerId);
    packet.text(kCallerNickname, call.nickname);
    return std::move(packet).take();
}

CallWithdrawn parseCallWithdrawn(PacketView packet) {
    return {packet.u32(kCallerId), packet.text(kCallerNickname)};
}

std::vector<uint8_t> buildCallConnected(const CallConnected& call) {
    PacketBuilder packet(PT_CALL_CONNECTED, kCallConnectedSize);
    packet.ipv4(kConnectedAddress, call.partnerAddress);
    packet.u32(kConnectedVideoPort, call.videoPort);
    packet.u32(kConnectedAudioPort, call.audioPort);
    packet.u32(kConnectedPartnerId, call.partnerId);
    packet.text(kConnectedNickname, call.nickname);
    return std::move(packet).take();
}

CallConnected parseCallConnected(PacketView packet) {
    CallConnected call;
    call.partnerAddress = packet.ipv4(kConnectedAddress);
    call.videoPort = packet.u32(kConnectedVideoPort);
    call.audioPort = packet.u32(kConnectedAudioPort);
    call.partnerId = packet.u32(kConnectedPartnerId);
    call.nickname = packet.text(kConnectedNickname);
    return call;
}

}  // namespace zemra::protocol
