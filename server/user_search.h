// The user directory searches: by ID, by part of a nickname, and the list
// of users online with filters, in pages ordered by user ID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/packet.h"
#include "protocol/search_packets.h"
#include "server/presence.h"
#include "server/server_state.h"

namespace zemra::server {

class UserSearch {
  public:
    // A full page keeps the client's "next page" button enabled; fewer
    // entries than this tell it the list has ended.
    static constexpr std::size_t kPageSize = 19;
    // PT_SEARCH_STATUS sub-codes.
    static constexpr uint16_t kStatusRefused = 20;      // the request cannot be answered
    static constexpr uint16_t kStatusNoMatch = 21;      // nobody matches
    static constexpr uint16_t kStatusNoMorePages = 22;  // matches exist, not on this page

    UserSearch(ServerState& state, Presence& presence) : state_(state), presence_(presence) {}

    void byId(uint32_t user, protocol::PacketView packet);
    void byNickname(uint32_t user, protocol::PacketView packet);
    void online(uint32_t user, protocol::PacketView packet);

    // Part of a GBK nickname, ASCII letters matched without regard to case;
    // a match never starts or ends inside a double-byte character.
    static bool nicknameMatches(std::string_view nickname, std::string_view query);

  private:
    protocol::SearchResultEntry entry(const UserRecord& record, uint32_t viewer);
    void answer(uint32_t user, const std::vector<const UserRecord*>& matches, uint16_t page);

    ServerState& state_;
    Presence& presence_;
};

}  // namespace zemra::server
