#include "protocol/login_packets.h"

#include <algorithm>

namespace zemra::protocol {
namespace {

// PT_LOGIN.
constexpr std::size_t kLoginUserId = 24;
constexpr TextField kLoginPassword{29, 11};
constexpr TextField kLoginLocalIp{40, 16};
constexpr std::size_t kLoginInvisible = 56;
constexpr TextField kLoginClientKey{59, 11};
constexpr std::size_t kLoginConnectionType = 70;

// PT_LOGIN_OK.
constexpr std::size_t kAcceptedUserId = 24;
constexpr TextField kAcceptedNickname{29, 11};
constexpr std::size_t kAcceptedFace = 44;
constexpr std::size_t kAcceptedCount = 48;

// PT_CAPABILITIES.
constexpr std::size_t kCapabilitiesVideo = 24;
constexpr std::size_t kCapabilitiesAudio = 32;

// PT_AWAY_TEXT.
constexpr TextField kAwayText{21, 41};

}  // namespace

std::vector<uint8_t> buildLogin(const LoginRequest& login) {
    PacketBuilder packet(PT_LOGIN, kLoginSize);
    packet.u32(kLoginUserId, login.userId);
    packet.text(kLoginPassword, login.password);
    packet.text(kLoginLocalIp, login.localIp);
    packet.u16(kLoginInvisible, login.invisible ? 1 : 0);
    packet.text(kLoginClientKey, login.clientKey);
    packet.u16(kLoginConnectionType, login.connectionType);
    return std::move(packet).take();
}

LoginRequest parseLogin(PacketView packet) {
    LoginRequest login;
    login.userId = packet.u32(kLoginUserId);
    login.password = packet.text(kLoginPassword);
    login.localIp = packet.text(kLoginLocalIp);
    login.invisible = packet.u16(kLoginInvisible) != 0;
    login.clientKey = packet.text(kLoginClientKey);
    login.connectionType = packet.u16(kLoginConnectionType);
    return login;
}

std::vector<uint8_t> buildLoginAccepted(const LoginAccepted& answer) {
    const std::size_t count = std::min(answer.contacts.size(), kMaxLoginContacts);
    PacketBuilder packet(PT_LOGIN_OK, kLoginAcceptedRecordsOffset + count * kContactRecordSize);
    packet.u32(kAcceptedUserId, answer.userId);
    packet.text(kAcceptedNickname, answer.nickname);
    packet.u16(kAcceptedFace, answer.face);
    packet.u16(kAcceptedCount, static_cast<uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        writeContactRecord(packet, kLoginAcceptedRecordsOffset + i * kContactRecordSize,
                           answer.contacts[i]);
    }
    return std::move(packet).take();
}

LoginAccepted parseLoginAccepted(PacketView packet) {
    LoginAccepted answer;
    answer.userId = packet.u32(kAcceptedUserId);
    answer.nickname = packet.text(kAcceptedNickname);
    answer.face = packet.u16(kAcceptedFace);
    std::size_t count = packet.u16(kAcceptedCount);
    if (packet.size() > kLoginAcceptedRecordsOffset) {
        count = std::min(count, (packet.size() - kLoginAcceptedRecordsOffset) / kContactRecordSize);
    } else {
        count = 0;
    }
    answer.contacts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        answer.contacts.push_back(
            readContactRecord(packet, kLoginAcceptedRecordsOffset + i * kContactRecordSize));
    }
    return answer;
}

std::vector<uint8_t> buildCapabilities(const Capabilities& capabilities) {
    PacketBuilder packet(PT_CAPABILITIES, kCapabilitiesSize);
    packet.u32(kCapabilitiesVideo, capabilities.video ? 1 : 0);
    packet.u32(kCapabilitiesAudio, capabilities.audio ? 1 : 0);
    return std::move(packet).take();
}

Capabilities parseCapabilities(PacketView packet) {
    return {packet.u32(kCapabilitiesVideo) != 0, packet.u32(kCapabilitiesAudio) != 0};
}

std::vector<uint8_t> buildAwayText(std::string_view gbk) {
    PacketBuilder packet(PT_AWAY_TEXT, kAwayTextSize);
    packet.text(kAwayText, gbk);
    return std::move(packet).take();
}

std::string parseAwayText(PacketView packet) {
    return packet.text(kAwayText);
}

}  // namespace zemra::protocol
