// Packet type numbers, ports and fixed values of the server protocol, shared
// by the client and the server.
#pragma once

#include <cstdint>
#include <string_view>

namespace zemra::protocol {

inline constexpr uint16_t kProtocolVersion = 10009;

inline constexpr uint16_t kServerPort = 3000;      // TCP, packets
inline constexpr uint16_t kFileRelayPort = 3110;   // TCP, file data through xferlink
inline constexpr uint16_t kVideoProbePort = 3111;  // UDP, probes from the video socket
inline constexpr uint16_t kAudioProbePort = 3121;  // UDP, probes from the audio socket

// Carried in the login packet and in every UDP probe.
inline constexpr std::string_view kClientKey = "qh4vn8tzr2";

// Client to server.
inline constexpr uint16_t PT_LOGIN = 101;
inline constexpr uint16_t PT_CAPABILITIES = 111;
inline constexpr uint16_t PT_SEARCH_ONLINE = 121;
inline constexpr uint16_t PT_SEARCH_BY_NICK = 123;
inline constexpr uint16_t PT_SEARCH_BY_ID = 124;
inline constexpr uint16_t PT_CALL_REQUEST = 131;
inline constexpr uint16_t PT_CALL_DECLINE = 132;
inline constexpr uint16_t PT_CALL_ACCEPT = 133;
inline constexpr uint16_t PT_CALL_CANCEL = 134;
inline constexpr uint16_t PT_CALL_HANGUP = 135;
inline constexpr uint16_t PT_AWAY_TEXT = 141;
inline constexpr uint16_t PT_CALL_TEXT = 151;
inline constexpr uint16_t PT_ANNOUNCE = 155;
inline constexpr uint16_t PT_GET_DETAILS = 161;
inline constexpr uint16_t PT_FILE_ABORT = 164;    // stop a running transfer
inline constexpr uint16_t PT_FILE_PROPOSE = 165;  // offer a file (relayed as PT_FILE_OFFER)
inline constexpr uint16_t PT_FILE_ACCEPT = 166;
inline constexpr uint16_t PT_FILE_REFUSE = 167;
inline constexpr uint16_t PT_FILE_BUSY = 168;
inline constexpr uint16_t PT_FILE_CANCEL = 169;  // withdraw one's own offer
inline constexpr uint16_t PT_SET_DETAILS = 171;
inline constexpr uint16_t PT_SET_RELATION = 181;
inline constexpr uint16_t PT_AUTH_ACCEPT = 182;
inline constexpr uint16_t PT_AUTH_REFUSE = 183;
inline constexpr uint16_t PT_REGISTER = 198;
inline constexpr uint16_t PT_GO_INVISIBLE = 1174;
inline constexpr uint16_t PT_GO_VISIBLE = 1175;
inline constexpr uint16_t PT_ADD_POLICY_ANYONE = 1180;
inline constexpr uint16_t PT_ADD_POLICY_AUTH = 1181;
inline constexpr uint16_t PT_ADD_POLICY_NOBODY = 1182;

// Both directions.
inline constexpr uint16_t PT_MESSAGE = 1164;

// Server to client.
inline constexpr uint16_t PT_MESSAGE_PASSIVE = 1165;
inline constexpr uint16_t PT_LOGIN_FAILED = 201;
inline constexpr uint16_t PT_LOGIN_OK = 202;
inline constexpr uint16_t PT_CONTACT_ONLINE = 211;
inline constexpr uint16_t PT_CONTACT_OFFLINE = 212;
inline constexpr uint16_t PT_SEARCH_RESULT = 221;
inline constexpr uint16_t PT_SEARCH_STATUS = 222;
inline constexpr uint16_t PT_CALL_ANSWER = 231;
inline constexpr uint16_t PT_CALL_NOTE = 232;
inline constexpr uint16_t PT_CALL_INCOMING = 233;
inline constexpr uint16_t PT_CALL_WITHDRAWN = 234;
inline constexpr uint16_t PT_CALL_CONNECTED = 235;
inline constexpr uint16_t PT_CALL_ENDED = 236;
inline constexpr uint16_t PT_CALL_TEXT_IN = 251;
inline constexpr uint16_t PT_ANNOUNCE_ACK = 255;
inline constexpr uint16_t PT_DETAILS = 261;
inline constexpr uint16_t PT_FILE_NOTICE_ABORTED = 263;    // the other side aborted the transfer
inline constexpr uint16_t PT_FILE_NOTICE_CANCELLED = 264;  // the other side withdrew its offer
inline constexpr uint16_t PT_FILE_OFFER = 265;
inline constexpr uint16_t PT_FILE_NOTICE_OFFLINE = 266;  // the other side is not online
inline constexpr uint16_t PT_FILE_NOTICE_REFUSED = 267;  // the other side refused the file
inline constexpr uint16_t PT_FILE_PEER = 268;
inline constexpr uint16_t PT_DETAILS_SAVED = 271;
inline constexpr uint16_t PT_DETAILS_REFUSED = 272;
inline constexpr uint16_t PT_CONTACT_ADDED = 281;
inline constexpr uint16_t PT_CONTACT_REMOVED = 283;
inline constexpr uint16_t PT_ADD_REFUSED = 284;
inline constexpr uint16_t PT_ADD_NEEDS_AUTH = 285;
inline constexpr uint16_t PT_REGISTERED = 288;

// The constant's name ("PT_LOGIN"), for logs; empty for an unknown type.
std::string_view packetTypeName(uint16_t type);

}  // namespace zemra::protocol
