// Users' details: what others may see of them, changing one's own details
// and password, and the add-friend policy. A change of details hashes the new
// password as background work; one change per user at a time.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "protocol/packet.h"
#include "protocol/profile_packets.h"
#include "server/password_jobs.h"
#include "server/server_state.h"

namespace zemra::server {

class ProfileService {
  public:
    static constexpr uint16_t kMaxFace = 84;

    explicit ProfileService(ServerState& state) : state_(state) {}

    void onGetDetails(uint32_t user, protocol::PacketView packet);  // PT_GET_DETAILS
    void onSetDetails(uint32_t user, protocol::PacketView packet);  // PT_SET_DETAILS
    void onAddPolicy(uint32_t user, uint16_t type);                 // PT_ADD_POLICY_*

    // The stored form of a registration or a change of details; values out
    // of range fall back to the default (and to private for visibility).
    static UserRecord recordFrom(const protocol::UserProfile& profile);
    // Nickname and password are required.
    static bool acceptable(const protocol::UserProfile& profile);

  private:
    void finishSetDetails(uint32_t user, ConnectionId connection, const UserRecord& record,
                          const NewPasswordJob& job);

    ServerState& state_;
    std::unordered_set<uint32_t> changing_;  // users whose new password is being hashed
};

}  // namespace zemra::server
