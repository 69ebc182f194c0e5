// The server's persistent state in one SQLite file: accounts, contact
// lists, pending friend requests and messages waiting for offline users.
// Texts are kept as the GBK bytes that came off the wire. Passwords arrive
// here already hashed (see password_hash.h); the store never sees them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/password_hash.h"
#include "server/sqlite_db.h"

namespace zemra::server {

// Who may put a user on his friend list.
enum class AddPolicy : uint8_t { Anyone = 0, Auth = 1, Nobody = 2 };

struct UserRecord {
    uint32_t id = 0;
    std::string nickname;
    uint16_t face = 0;
    std::string email;
    uint16_t gender = 0;
    std::string province;
    std::string city;
    std::string phone;
    uint16_t age = 0;
    uint16_t visibility = 0;  // of e-mail and phone: 0 public, 1 friends, 2 private
    std::string country;
    std::string homePage;
    std::string description;
    AddPolicy addPolicy = AddPolicy::Anyone;

    bool operator==(const UserRecord&) const = default;
};

// A message kept for an offline user, with the row that holds it.
struct StoredMessage {
    int64_t id = 0;
    std::vector<uint8_t> packet;
};

enum class OfflineStore { Stored, BoxFull, SenderShareUsed };

class ServerStore {
  public:
    // Registrations are numbered from here; IDs already taken are skipped.
    static constexpr uint32_t kFirstUserId = 1000;
    static constexpr uint32_t kSystemId = 10000;
    static constexpr uint32_t kSupportId = 10001;
    // Messages kept for one offline user; later ones are dropped.
    static constexpr std::size_t kMaxOfflineMessages = 1000;
    // What one sender may fill of somebody's box, so that he cannot fill it alone.
    static constexpr std::size_t kMaxOfflinePerSender = kMaxOfflineMessages / 4;

    // Opens or creates the file; the two service accounts exist from the start.
    explicit ServerStore(const std::string& path);

    // Returns the new ID. `passwordHash` is what hashPassword() made.
    uint32_t registerUser(UserRecord profile, std::string_view passwordHash);
    std::vector<UserRecord> loadUsers();
    std::optional<UserRecord> findUser(uint32_t id);
    // Saves every field except the ID and the add policy, and the password
    // hash, in one transaction.
    void updateProfile(const UserRecord& profile, std::string_view passwordHash);
    void setPasswordHash(uint32_t id, std::string_view passwordHash);
    // Nothing for an unknown ID.
    std::optional<StoredPassword> storedPassword(uint32_t id);
    // Puts `newHash` in place of `old`, unless the password was changed
    // since `old` was read; returns whether it did.
    bool replacePassword(uint32_t id, const StoredPassword& old, std::string_view newHash);
    void setAddPolicy(uint32_t id, AddPolicy policy);

    // The relation code `owner` gives `contact` (10 friend, 12 blacklist), 0 for none.
    uint16_t relation(uint32_t owner, uint32_t contact);
    void setRelation(uint32_t owner, uint32_t contact, uint16_t relation);
    void removeRelation(uint32_t owner, uint32_t contact);
    // (contact, relation) in the order they were made.
    std::vector<std::pair<uint32_t, uint16_t>> contactsOf(uint32_t owner);
    std::size_t contactCount(uint32_t owner);
    // Owners whose list gives `contact` this relation.
    std::vector<uint32_t> ownersWith(uint32_t contact, uint16_t relation);

    // `requester` asked `target` for authentication; answered at most once.
    void addAuthRequest(uint32_t requester, uint32_t target);
    bool takeAuthRequest(uint32_t requester, uint32_t target);

    // Refused when the recipient's box is full or the sender has used his share of it.
    OfflineStore storeMessage(uint32_t recipient, uint32_t sender,
                              const std::vector<uint8_t>& packet);
    // Oldest first. They stay until deleteMessages(): a message is gone only
    // once it has been written to its recipient.
    std::vector<StoredMessage> loadMessages(uint32_t recipient);
    void deleteMessages(std::span<const int64_t> ids);
    std::size_t messageCount(uint32_t recipient);

  private:
    void createSchema();
    void addMessageSenders();
    void ensureServiceAccount(uint32_t id, std::string_view nickname);
    void insertUser(const UserRecord& profile, std::string_view salt, std::string_view hash);
    bool userExists(uint32_t id);

    SqliteDb db_;
    Statement insertUser_, findUser_, userExists_, updateProfile_, setPassword_, getPassword_,
        setPolicy_, nextId_, setNextId_, getRelation_, setRelation_, removeRelation_, contactsOf_,
        contactCount_, ownersWith_, addAuth_, takeAuth_, storeMessage_, countMessages_,
        countFromSender_, loadMessages_, deleteMessage_, replacePassword_;
};

}  // namespace zemra::server
