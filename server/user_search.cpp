#include "server/user_search.h"

#include "platform/text.h"
#include "protocol/simple_packets.h"

namespace zemra::server {
namespace {

constexpr uint16_t kMale = 0;
constexpr uint16_t kFemale = 1;

uint8_t foldAscii(uint8_t byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<uint8_t>(byte - 'A' + 'a') : byte;
}

bool matchesAt(std::string_view text, std::size_t pos, std::string_view query) {
    std::size_t i = pos;
    std::size_t j = 0;
    while (j < query.size()) {
        if (i >= text.size()) return false;
        const auto a = static_cast<uint8_t>(text[i]);
        const auto b = static_cast<uint8_t>(query[j]);
        if (text::isGbkLeadByte(a)) {
            if (a != b || i + 1 >= text.size() || j + 1 >= query.size() ||
                text[i + 1] != query[j + 1]) {
                return false;
            }
            i += 2;
            j += 2;
        } else {
            if (foldAscii(a) != foldAscii(b)) return false;
            ++i;
            ++j;
        }
    }
    return true;
}

}  // namespace

bool UserSearch::nicknameMatches(std::string_view nickname, std::string_view query) {
    if (query.empty()) return false;
    for (std::size_t pos = 0; pos < nickname.size();) {
        if (matchesAt(nickname, pos, query)) return true;
        const bool doubleByte =
            text::isGbkLeadByte(static_cast<uint8_t>(nickname[pos])) && pos + 1 < nickname.size();
        pos += doubleByte ? 2 : 1;
    }
    return false;
}

protocol::SearchResultEntry UserSearch::entry(const UserRecord& record, uint32_t viewer) {
    protocol::SearchResultEntry entry;
    entry.userId = record.id;
    entry.nickname = record.nickname;
    entry.face = record.face;
    entry.city = record.city;
    if (presence_.appearsOnline(record.id, viewer)) {
        const Session* session = state_.sessions.find(record.id);
        entry.status =
            session->callPartner ? protocol::kSearchStatusInCall : protocol::kSearchStatusIdle;
        entry.hasVideo = session->hasVideo;
        entry.hasAudio = session->hasAudio;
    }
    return entry;
}

void UserSearch::answer(uint32_t user, const std::vector<const UserRecord*>& matches,
                        uint16_t page) {
    if (matches.empty()) {
        state_.sendToUser(user,
                          protocol::buildSubCodePacket(protocol::PT_SEARCH_STATUS, kStatusNoMatch));
        return;
    }
    const std::size_t first = std::size_t{page} * kPageSize;
    if (first >= matches.size()) {
        state_.sendToUser(
            user, protocol::buildSubCodePacket(protocol::PT_SEARCH_STATUS, kStatusNoMorePages));
        return;
    }
    std::vector<protocol::SearchResultEntry> entries;
    for (std::size_t i = first; i < matches.size() && entries.size() < kPageSize; ++i) {
        entries.push_back(entry(*matches[i], user));
    }
    state_.sendToUser(user, protocol::buildSearchResult(entries));
}

void UserSearch::byId(uint32_t user, protocol::PacketView packet) {
    std::vector<const UserRecord*> matches;
    if (const UserRecord* found = state_.directory.find(protocol::parseUserId(packet))) {
        matches.push_back(found);
    }
    answer(user, matches, 0);
}

void UserSearch::byNickname(uint32_t user, protocol::PacketView packet) {
    const protocol::NickSearch search = protocol::parseNickSearch(packet);
    if (search.nickname.empty()) {
        state_.sendToUser(user,
                          protocol::buildSubCodePacket(protocol::PT_SEARCH_STATUS, kStatusRefused));
        return;
    }
    std::vector<const UserRecord*> matches;
    for (const auto& [id, record] : state_.directory.users()) {
        if (nicknameMatches(record.nickname, search.nickname)) matches.push_back(&record);
    }
    answer(user, matches, search.page);
}

void UserSearch::online(uint32_t user, protocol::PacketView packet) {
    const protocol::OnlineSearch search = protocol::parseOnlineSearch(packet);
    const UserRecord* self = state_.directory.find(user);
    const std::string ownCity = self ? self->city : std::string();
    std::vector<const UserRecord*> matches;
    for (const auto& [id, session] : state_.sessions.all()) {
        if (id == user || !presence_.appearsOnline(id, user)) continue;
        const UserRecord* record = state_.directory.find(id);
        if (!record) continue;
        if (search.hasSoundCard && !session.hasAudio) continue;
        if (search.hasCamera && !session.hasVideo) continue;
        // Ticking both genders is the same as ticking neither.
        if (search.male != search.female) {
            if (record->gender != (search.male ? kMale : kFemale)) continue;
        }
        if (search.sameCity && (ownCity.empty() || record->city != ownCity)) continue;
        matches.push_back(record);
    }
    answer(user, matches, search.page);
}

}  // namespace zemra::server
