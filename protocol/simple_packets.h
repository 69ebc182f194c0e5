// Packets whose body is empty, a single user ID, or a single sub-code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// Header only (body length 0): PT_ANNOUNCE, PT_GO_INVISIBLE, PT_GO_VISIBLE,
// PT_ADD_POLICY_ANYONE/AUTH/NOBODY, PT_CALL_ENDED, PT_DETAILS_SAVED,
// PT_DETAILS_REFUSED, PT_ADD_REFUSED, PT_ADD_NEEDS_AUTH.
std::vector<uint8_t> buildHeaderOnly(uint16_t type);

// 32 bytes, u32 user ID at 24: PT_SEARCH_BY_ID, PT_CALL_DECLINE/ACCEPT/CANCEL/
// HANGUP, PT_GET_DETAILS, PT_FILE_ABORT/ACCEPT/REFUSE/BUSY/CANCEL,
// PT_CONTACT_ONLINE/OFFLINE/REMOVED, PT_FILE_NOTICE_*, PT_REGISTERED (the new
// ID, 0 when registration failed).
inline constexpr std::size_t kUserIdPacketSize = 32;
std::vector<uint8_t> buildUserIdPacket(uint16_t type, uint32_t userId);
uint32_t parseUserId(PacketView packet);

// 24 bytes, u16 sub-code at 22: PT_LOGIN_FAILED, PT_SEARCH_STATUS,
// PT_CALL_ANSWER, PT_ANNOUNCE_ACK.
inline constexpr std::size_t kSubCodePacketSize = 24;
std::vector<uint8_t> buildSubCodePacket(uint16_t type, uint16_t subCode);
uint16_t parseSubCode(PacketView packet);

// Sub-codes of PT_LOGIN_FAILED that the client tells apart.
inline constexpr uint16_t kLoginFailedUpgrade = 10;
inline constexpr uint16_t kLoginFailedWrongPassword = 11;

// Sub-codes of PT_CALL_ANSWER.
inline constexpr uint16_t kCallAnswerNotOnline = 0;
inline constexpr uint16_t kCallAnswerBusy = 2;
inline constexpr uint16_t kCallAnswerNoEffect = 3;
inline constexpr uint16_t kCallAnswerRefused = 4;

}  // namespace zemra::protocol
