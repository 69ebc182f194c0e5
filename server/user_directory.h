// Every account's public record, held in memory for lookups and searches
// and written through to the store on every change.
#pragma once

#include <cstdint>
#include <map>
#include <string_view>

#include "server/server_store.h"

namespace zemra::server {

class UserDirectory {
  public:
    explicit UserDirectory(ServerStore& store);

    const UserRecord* find(uint32_t id) const;
    // Returns the new ID. Passwords come hashed (hashPassword()).
    uint32_t add(const UserRecord& profile, std::string_view passwordHash);
    // Everything but the add policy, and the password hash.
    void updateProfile(const UserRecord& profile, std::string_view passwordHash);
    void setAddPolicy(uint32_t id, AddPolicy policy);
    const std::map<uint32_t, UserRecord>& users() const { return users_; }

    static bool isServiceAccount(uint32_t id) {
        return id == ServerStore::kSystemId || id == ServerStore::kSupportId;
    }

  private:
    ServerStore& store_;
    std::map<uint32_t, UserRecord> users_;
};

}  // namespace zemra::server
