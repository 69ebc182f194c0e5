#include "server/profile_service.h"

#include <memory>

#include "protocol/contact_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::server {

UserRecord ProfileService::recordFrom(const protocol::UserProfile& profile) {
    UserRecord record;
    record.id = profile.userId;
    record.nickname = profile.nickname;
    record.face = profile.face <= kMaxFace ? profile.face : 0;
    record.email = profile.email;
    record.gender = profile.gender <= 1 ? profile.gender : 0;
    record.province = profile.province;
    record.city = profile.city;
    record.phone = profile.phone;
    record.age = profile.age;
    record.visibility = profile.visibility <= protocol::kVisibilityPrivate
                            ? profile.visibility
                            : protocol::kVisibilityPrivate;
    record.country = profile.country;
    record.homePage = profile.homePage;
    record.description = profile.description;
    return record;
}

bool ProfileService::acceptable(const protocol::UserProfile& profile) {
    const auto blank = [](const std::string& text) {
        return text.find_first_not_of(' ') == std::string::npos;
    };
    return !blank(profile.nickname) && !blank(profile.password);
}

void ProfileService::onGetDetails(uint32_t user, protocol::PacketView packet) {
    const uint32_t target = protocol::parseUserId(packet);
    const UserRecord* record = state_.directory.find(target);
    // An unknown ID gets no answer: there is nothing to show.
    if (!record) return;
    protocol::UserDetails details;
    details.userId = record->id;
    details.nickname = record->nickname;
    details.face = record->face;
    details.gender = record->gender;
    details.province = record->province;
    details.city = record->city;
    details.age = record->age;
    details.country = record->country;
    details.homePage = record->homePage;
    details.description = record->description;
    const bool contactVisible = target == user ||
                                record->visibility == protocol::kVisibilityPublic ||
                                (record->visibility == protocol::kVisibilityFriends &&
                                 state_.store.relation(target, user) == protocol::kRelationFriend);
    if (contactVisible) {
        details.email = record->email;
        details.phone = record->phone;
    }
    state_.sendToUser(user, protocol::buildDetails(details));
}

void ProfileService::onSetDetails(uint32_t user, protocol::PacketView packet) {
    const protocol::UserProfile profile = protocol::parseProfile(packet);
    const Session* session = state_.sessions.find(user);
    if (!session) return;
    const ConnectionId connection = session->connection;
    if (profile.userId != user || !acceptable(profile) || !state_.directory.find(user) ||
        changing_.contains(user)) {
        state_.out.send(connection, protocol::buildHeaderOnly(protocol::PT_DETAILS_REFUSED));
        return;
    }
    auto job = std::make_shared<NewPasswordJob>();
    job->password = profile.password;
    const UserRecord record = recordFrom(profile);
    changing_.insert(user);
    const bool queued = state_.work.run([job] { job->run(); },
                                        [this, user, connection, record, job] {
                                            finishSetDetails(user, connection, record, *job);
                                        });
    if (queued) return;
    changing_.erase(user);
    state_.out.send(connection, protocol::buildHeaderOnly(protocol::PT_DETAILS_REFUSED));
}

// The answer goes to the connection that asked, if it is still there.
void ProfileService::finishSetDetails(uint32_t user, ConnectionId connection,
                                      const UserRecord& record, const NewPasswordJob& job) {
    changing_.erase(user);
    uint16_t answer = protocol::PT_DETAILS_REFUSED;
    if (!job.failed) {
        try {
            state_.directory.updateProfile(record, job.hash);
            answer = protocol::PT_DETAILS_SAVED;
        } catch (const StoreError& error) {
            state_.out.log(std::string("details of ") + std::to_string(user) +
                           " not saved: " + error.what());
        }
    }
    state_.out.send(connection, protocol::buildHeaderOnly(answer));
}

void ProfileService::onAddPolicy(uint32_t user, uint16_t type) {
    const AddPolicy policy = type == protocol::PT_ADD_POLICY_AUTH     ? AddPolicy::Auth
                             : type == protocol::PT_ADD_POLICY_NOBODY ? AddPolicy::Nobody
                                                                      : AddPolicy::Anyone;
    state_.directory.setAddPolicy(user, policy);
}

}  // namespace zemra::server
