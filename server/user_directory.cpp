#include "server/user_directory.h"

namespace zemra::server {

UserDirectory::UserDirectory(ServerStore& store) : store_(store) {
    for (UserRecord& user : store_.loadUsers()) {
        const uint32_t id = user.id;
        users_.emplace(id, std::move(user));
    }
}

const UserRecord* UserDirectory::find(uint32_t id) const {
    const auto it = users_.find(id);
    return it == users_.end() ? nullptr : &it->second;
}

uint32_t UserDirectory::add(const UserRecord& profile, std::string_view passwordHash) {
    const uint32_t id = store_.registerUser(profile, passwordHash);
    UserRecord& user = users_[id];
    user = profile;
    user.id = id;
    return id;
}

void UserDirectory::updateProfile(const UserRecord& profile, std::string_view passwordHash) {
    const auto it = users_.find(profile.id);
    if (it == users_.end()) return;
    store_.updateProfile(profile, passwordHash);
    const AddPolicy policy = it->second.addPolicy;
    it->second = profile;
    it->second.addPolicy = policy;
}

void UserDirectory::setAddPolicy(uint32_t id, AddPolicy policy) {
    const auto it = users_.find(id);
    if (it == users_.end()) return;
    store_.setAddPolicy(id, policy);
    it->second.addPolicy = policy;
}

}  // namespace zemra::server
