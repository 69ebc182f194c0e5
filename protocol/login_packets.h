// Login, the login answer, the after-login report and the own-status packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/contact_packets.h"
#include "protocol/packet.h"

namespace zemra::protocol {

// PT_LOGIN.
struct LoginRequest {
    uint32_t userId = 0;
    std::string password;  // GBK, at most 10 bytes
    std::string localIp;   // dotted text
    bool invisible = false;
    std::string clientKey{kClientKey};
    uint16_t connectionType = 0;  // 0 ADSL, 1 ISDN, 2 modem; re-login always sends 1

    bool operator==(const LoginRequest&) const = default;
};

inline constexpr std::size_t kLoginSize = 76;
std::vector<uint8_t> buildLogin(const LoginRequest& login);
LoginRequest parseLogin(PacketView packet);

// PT_LOGIN_OK: the own record followed by the contact list.
struct LoginAccepted {
    uint32_t userId = 0;
    std::string nickname;  // GBK, at most 10 bytes, as sent (blanks not trimmed)
    uint16_t face = 0;
    std::vector<ContactRecord> contacts;

    bool operator==(const LoginAccepted&) const = default;
};

inline constexpr std::size_t kLoginAcceptedRecordsOffset = 64;
// As many records as a packet of the longest accepted body holds; the builder
// leaves out the rest rather than send a packet every client would drop.
inline constexpr std::size_t kMaxLoginContacts =
    (kMaxPacketSize - kLoginAcceptedRecordsOffset) / kContactRecordSize;
std::vector<uint8_t> buildLoginAccepted(const LoginAccepted& answer);
// Takes the records that lie wholly inside the packet, at most the count it declares.
LoginAccepted parseLoginAccepted(PacketView packet);

// PT_CAPABILITIES.
struct Capabilities {
    bool video = true;
    bool audio = true;

    bool operator==(const Capabilities&) const = default;
};

inline constexpr std::size_t kCapabilitiesSize = 40;
std::vector<uint8_t> buildCapabilities(const Capabilities& capabilities);
Capabilities parseCapabilities(PacketView packet);

// PT_AWAY_TEXT: at most 40 bytes; empty means away without an auto-reply.
inline constexpr std::size_t kAwayTextSize = 62;
std::vector<uint8_t> buildAwayText(std::string_view gbk);
std::string parseAwayText(PacketView packet);

}  // namespace zemra::protocol
