// User searches and their result pages. Searching by ID is a one-ID packet
// and PT_SEARCH_STATUS a sub-code packet (simple_packets.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// PT_SEARCH_ONLINE: a page of the users online, with filters.
struct OnlineSearch {
    uint16_t page = 0;
    bool hasSoundCard = false;
    bool hasCamera = false;
    bool male = false;
    bool female = false;
    bool sameCity = false;

    bool operator==(const OnlineSearch&) const = default;
};

inline constexpr std::size_t kOnlineSearchSize = 46;
std::vector<uint8_t> buildOnlineSearch(const OnlineSearch& search);
OnlineSearch parseOnlineSearch(PacketView packet);

// PT_SEARCH_BY_NICK.
struct NickSearch {
    std::string nickname;  // GBK, at most 10 bytes
    uint16_t page = 0;

    bool operator==(const NickSearch&) const = default;
};

inline constexpr std::size_t kNickSearchSize = 36;
std::vector<uint8_t> buildNickSearch(const NickSearch& search);
NickSearch parseNickSearch(PacketView packet);

// Status of a user in a result page.
inline constexpr uint16_t kSearchStatusOffline = 0;
inline constexpr uint16_t kSearchStatusIdle = 1;
inline constexpr uint16_t kSearchStatusInCall = 3;
inline constexpr uint16_t kSearchStatusLoggedOut = 5;

struct SearchResultEntry {
    uint32_t userId = 0;   // below 1000 ends the page for the client
    std::string nickname;  // GBK, at most 10 bytes
    uint16_t face = 0;
    uint16_t status = kSearchStatusOffline;
    std::string city;  // GBK, at most 12 bytes
    bool hasVideo = false;
    bool hasAudio = false;

    bool operator==(const SearchResultEntry&) const = default;
};

// PT_SEARCH_RESULT: a count at 22 and 56-byte entries from 30.
inline constexpr std::size_t kSearchEntriesOffset = 30;
inline constexpr std::size_t kSearchEntrySize = 56;
inline constexpr std::size_t kMaxSearchEntries =
    (kMaxPacketSize - kSearchEntriesOffset) / kSearchEntrySize;
// Entries beyond kMaxSearchEntries are left out.
std::vector<uint8_t> buildSearchResult(std::span<const SearchResultEntry> entries);
// The entries that lie wholly inside the packet, at most the count it declares.
std::vector<SearchResultEntry> parseSearchResult(PacketView packet);

}  // namespace zemra::protocol
