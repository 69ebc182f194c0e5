#include "protocol/search_packets.h"

#include <algorithm>

namespace zemra::protocol {
namespace {

// PT_SEARCH_ONLINE.
constexpr std::size_t kOnlinePage = 22;
constexpr std::size_t kOnlineSoundCard = 26;
constexpr std::size_t kOnlineCamera = 30;
constexpr std::size_t kOnlineMale = 34;
constexpr std::size_t kOnlineFemale = 38;
constexpr std::size_t kOnlineSameCity = 42;

// PT_SEARCH_BY_NICK.
constexpr TextField kNickNickname{21, 11};
constexpr std::size_t kNickPage = 32;

// PT_SEARCH_RESULT; entry fields are relative to the entry.
constexpr std::size_t kResultCount = 22;
constexpr std::size_t kEntryUserId = 0;
constexpr std::size_t kEntryNickname = 5;
constexpr std::size_t kEntryNicknameSize = 11;
constexpr std::size_t kEntryFace = 16;
constexpr std::size_t kEntryStatus = 20;
constexpr std::size_t kEntryCity = 23;
constexpr std::size_t kEntryCitySize = 13;
constexpr std::size_t kEntryVideo = 36;
constexpr std::size_t kEntryAudio = 44;

}  // namespace

std::vector<uint8_t> buildOnlineSearch(const OnlineSearch& search) {
    PacketBuilder packet(PT_SEARCH_ONLINE, kOnlineSearchSize);
    packet.u16(kOnlinePage, search.page);
    packet.u16(kOnlineSoundCard, search.hasSoundCard ? 1 : 0);
    packet.u16(kOnlineCamera, search.hasCamera ? 1 : 0);
    packet.u16(kOnlineMale, search.male ? 1 : 0);
    packet.u16(kOnlineFemale, search.female ? 1 : 0);
    packet.u16(kOnlineSameCity, search.sameCity ? 1 : 0);
    return std::move(packet).take();
}

OnlineSearch parseOnlineSearch(PacketView packet) {
    OnlineSearch search;
    search.page = packet.u16(kOnlinePage);
    search.hasSoundCard = packet.u16(kOnlineSoundCard) != 0;
    search.hasCamera = packet.u16(kOnlineCamera) != 0;
    search.male = packet.u16(kOnlineMale) != 0;
    search.female = packet.u16(kOnlineFemale) != 0;
    search.sameCity = packet.u16(kOnlineSameCity) != 0;
    return search;
}

std::vector<uint8_t> buildNickSearch(const NickSearch& search) {
    PacketBuilder packet(PT_SEARCH_BY_NICK, kNickSearchSize);
    packet.text(kNickNickname, search.nickname);
    packet.u16(kNickPage, search.page);
    return std::move(packet).take();
}

NickSearch parseNickSearch(PacketView packet) {
    return {packet.text(kNickNickname), packet.u16(kNickPage)};
}

std::vector<uint8_t> buildSearchResult(std::span<const SearchResultEntry> entries) {
    const std::size_t count = std::min(entries.size(), kMaxSearchEntries);
    PacketBuilder packet(PT_SEARCH_RESULT, kSearchEntriesOffset + count * kSearchEntrySize);
    packet.u16(kResultCount, static_cast<uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kSearchEntriesOffset + i * kSearchEntrySize;
        const SearchResultEntry& entry = entries[i];
        packet.u32(at + kEntryUserId, entry.userId);
        packet.text({at + kEntryNickname, kEntryNicknameSize}, entry.nickname);
        packet.u16(at + kEntryFace, entry.face);
        packet.u16(at + kEntryStatus, entry.status);
        packet.text({at + kEntryCity, kEntryCitySize}, entry.city);
        packet.u32(at + kEntryVideo, entry.hasVideo ? 1 : 0);
        packet.u32(at + kEntryAudio, entry.hasAudio ? 1 : 0);
    }
    return std::move(packet).take();
}

std::vector<SearchResultEntry> parseSearchResult(PacketView packet) {
    std::size_t count = packet.u16(kResultCount);
    if (packet.size() > kSearchEntriesOffset) {
        count = std::min(count, (packet.size() - kSearchEntriesOffset) / kSearchEntrySize);
    } else {
        count = 0;
    }
    std::vector<SearchResultEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kSearchEntriesOffset + i * kSearchEntrySize;
        SearchResultEntry& entry = entries[i];
        entry.userId = packet.u32(at + kEntryUserId);
        entry.nickname = packet.text({at + kEntryNickname, kEntryNicknameSize});
        entry.face = packet.u16(at + kEntryFace);
        entry.status = packet.u16(at + kEntryStatus);
        entry.city = packet.text({at + kEntryCity, kEntryCitySize});
        entry.hasVideo = packet.u32(at + kEntryVideo) != 0;
        entry.hasAudio = packet.u32(at + kEntryAudio) != 0;
    }
    return entries;
}

}  // namespace zemra::protocol
