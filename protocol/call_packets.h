// Call set-up, in-call text and the server's call notices. The one-ID
// packets (decline, accept, cancel, hang-up) and PT_CALL_ANSWER's sub-code are
// in simple_packets.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// PT_CALL_REQUEST.
inline constexpr std::size_t kCallRequestSize = 36;
std::vector<uint8_t> buildCallRequest(uint32_t calleeId);
uint32_t parseCallRequest(PacketView packet);  // the callee ID

// PT_CALL_TEXT: one line to the call partner.
struct CallText {
    uint32_t partnerId = 0;
    std::string text;  // GBK, at most 402 bytes

    bool operator==(const CallText&) const = default;
};

inline constexpr std::size_t kCallTextSize = 432;
std::vector<uint8_t> buildCallText(const CallText& line);
CallText parseCallText(PacketView packet);

// PT_CALL_TEXT_IN: the server relays a line from the partner.
struct CallTextIn {
    uint32_t senderId = 0;
    std::string nickname;  // GBK, at most 10 bytes
    std::string text;      // GBK, at most 402 bytes

    bool operator==(const CallTextIn&) const = default;
};

inline constexpr std::size_t kCallTextInSize = 464;
std::vector<uint8_t> buildCallTextIn(const CallTextIn& line);
CallTextIn parseCallTextIn(PacketView packet);

// PT_CALL_NOTE: the callee left a note (at most 40 bytes) instead of answering.
inline constexpr std::size_t kCallNoteSize = 62;
std::vector<uint8_t> buildCallNote(std::string_view gbk);
std::string parseCallNote(PacketView packet);

// PT_CALL_INCOMING.
struct CallIncoming {
    uint32_t callerId = 0;
    std::string nickname;  // GBK, at most 10 bytes
    // Carried along for the client, which keeps them without using them.
    uint32_t extraAt40 = 0;
    uint32_t extraAt48 = 0;

    bool operator==(const CallIncoming&) const = default;
};

inline constexpr std::size_t kCallIncomingSize = 52;
std::vector<uint8_t> buildCallIncoming(const CallIncoming& call);
CallIncoming parseCallIncoming(PacketView packet);

// PT_CALL_WITHDRAWN.
struct CallWithdrawn {
    uint32_t callerId = 0;
    std::string nickname;  // GBK, at most 10 bytes

    bool operator==(const CallWithdrawn&) const = default;
};

inline constexpr std::size_t kCallWithdrawnSize = 40;
std::vector<uint8_t> buildCallWithdrawn(const CallWithdrawn& call);
CallWithdrawn parseCallWithdrawn(PacketView packet);

// PT_CALL_CONNECTED: where the partner's media come from, as the server saw
// them in the partner's probes.
struct CallConnected {
    uint32_t partnerAddress = 0;  // network byte order (in_addr::s_addr)
    uint32_t videoPort = 0;
    uint32_t audioPort = 0;
    uint32_t partnerId = 0;
    std::string nickname;  // GBK, at most 10 bytes

    bool operator==(const CallConnected&) const = default;
};

inline constexpr std::size_t kCallConnectedSize = 64;
std::vector<uint8_t> buildCallConnected(const CallConnected& call);
CallConnected parseCallConnected(PacketView packet);

}  // namespace zemra::protocol
