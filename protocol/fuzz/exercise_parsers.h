// Runs arbitrary bytes through every parser and through the reassembler.
// Shared by the libFuzzer target and the randomized unit test, so both cover
// the same list of packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/call_packets.h"
#include "protocol/contact_packets.h"
#include "protocol/file_packets.h"
#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/packet.h"
#include "protocol/packet_reassembler.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"
#include "protocol/udp_probe.h"

namespace zemra::protocol::fuzz {

// Parses, builds from the result, and parses and builds again. The first
// rebuild may differ from the input (texts get cut, flags become 0/1), but
// from then on a packet must survive unchanged, or a builder and its parser
// disagree about a field.
template <typename Parse, typename Build>
bool roundTrips(std::span<const uint8_t> bytes, Parse parse, Build build) {
    const std::vector<uint8_t> first = build(parse(PacketView(bytes)));
    const std::vector<uint8_t> second = build(parse(PacketView(first)));
    return first == second;
}

// False when some packet kind does not survive a second round trip.
inline bool exerciseParsers(std::span<const uint8_t> bytes) {
    bool ok = true;
    const PacketView view(bytes);
    ok &= buildHeaderOnly(view.type()).size() == kHeaderSize;

    ok &= roundTrips(bytes, parseUserId, [](uint32_t id) { return buildUserIdPacket(1, id); });
    ok &= roundTrips(bytes, parseSubCode, [](uint16_t c) { return buildSubCodePacket(1, c); });
    ok &= roundTrips(bytes, parseLogin, buildLogin);
    ok &= roundTrips(bytes, parseLoginAccepted, buildLoginAccepted);
    ok &= roundTrips(bytes, parseCapabilities, buildCapabilities);
    ok &= roundTrips(bytes, parseAwayText, buildAwayText);
    ok &= roundTrips(bytes, parseContactAdded, buildContactAdded);
    ok &= roundTrips(bytes, parseRelationChange, buildSetRelation);
    ok &= roundTrips(bytes, parseMessage, [](const TextMessage& m) { return buildMessage(m); });
    ok &= roundTrips(bytes, parseCallRequest, buildCallRequest);
    ok &= roundTrips(bytes, parseCallText, buildCallText);
    ok &= roundTrips(bytes, parseCallTextIn, buildCallTextIn);
    ok &= roundTrips(bytes, parseCallNote, buildCallNote);
    ok &= roundTrips(bytes, parseCallIncoming, buildCallIncoming);
    ok &= roundTrips(bytes, parseCallWithdrawn, buildCallWithdrawn);
    ok &= roundTrips(bytes, parseCallConnected, buildCallConnected);
    ok &= roundTrips(bytes, parseOnlineSearch, buildOnlineSearch);
    ok &= roundTrips(bytes, parseNickSearch, buildNickSearch);
    ok &= roundTrips(bytes, parseSearchResult,
                     [](const std::vector<SearchResultEntry>& e) { return buildSearchResult(e); });
    ok &= roundTrips(bytes, parseProfile, buildRegister);
    ok &= roundTrips(bytes, parseProfile, buildSetDetails);
    ok &= roundTrips(bytes, parseDetails, buildDetails);
    ok &= roundTrips(bytes, parseFileOffer, buildFilePropose);
    ok &= roundTrips(bytes, parseFileOffer, buildFileOffer);
    ok &= roundTrips(bytes, parseFilePeer, buildFilePeer);
    ok &= roundTrips(
        bytes, [](PacketView v) { return parseUdpProbe(v.bytes()); }, buildUdpProbe);
    return ok;
}

// Feeds `bytes` as a stream, in reads whose sizes the bytes themselves pick.
// False when a dispatched packet is not what its header declares, or the
// reassembler holds more than a partial packet between reads.
inline bool exerciseReassembler(std::span<const uint8_t> bytes) {
    bool ok = true;
    PacketReassembler reassembler([&ok](uint16_t type, std::span<const uint8_t> packet) {
        const PacketHeader header = PacketView(packet).header();
        ok &= header.type == type;
        ok &= header.bodyLength <= kMaxBodyLength;
        ok &= packet.size() == kHeaderSize + header.bodyLength;
    });
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t chunk = bytes[at];
        if (at + 1 < bytes.size()) chunk = chunk * 41 + bytes[at + 1] * 7;
        chunk = 1 + chunk % PacketReassembler::kMaxRead;
        if (chunk > bytes.size() - at) chunk = bytes.size() - at;
        ok &= reassembler.onRead(bytes.subspan(at, chunk));
        ok &= reassembler.held() < kMaxPacketSize;
        at += chunk;
    }
    return ok;
}

}  // namespace zemra::protocol::fuzz
