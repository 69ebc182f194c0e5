#include "server/server_store.h"

#include "platform/text.h"

namespace zemra::server {
namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS users (
    id INTEGER PRIMARY KEY,
    salt BLOB NOT NULL, password_hash BLOB NOT NULL,
    nickname BLOB NOT NULL, face INTEGER NOT NULL, email BLOB NOT NULL,
    gender INTEGER NOT NULL, province BLOB NOT NULL, city BLOB NOT NULL, phone BLOB NOT NULL,
    age INTEGER NOT NULL, visibility INTEGER NOT NULL, country BLOB NOT NULL,
    home_page BLOB NOT NULL, description BLOB NOT NULL, add_policy INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS relations (
    owner INTEGER NOT NULL, contact INTEGER NOT NULL, relation INTEGER NOT NULL,
    PRIMARY KEY (owner, contact));
CREATE INDEX IF NOT EXISTS relations_by_contact ON relations (contact, relation);
CREATE TABLE IF NOT EXISTS auth_requests (
    requester INTEGER NOT NULL, target INTEGER NOT NULL, PRIMARY KEY (requester, target));
CREATE TABLE IF NOT EXISTS offline_messages (
    id INTEGER PRIMARY KEY AUTOINCREMENT, recipient INTEGER NOT NULL, packet BLOB NOT NULL,
    sender INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS offline_by_recipient ON offline_messages (recipient, id);
)sql";

constexpr const char* kUserColumns =
    "id, nickname, face, email, gender, province, city, phone, age, visibility, country, "
    "home_page, description, add_policy";

UserRecord readUser(const Statement& row) {
    UserRecord user;
    user.id = static_cast<uint32_t>(row.integer(0));
    user.nickname = row.bytes(1);
    user.face = static_cast<uint16_t>(row.integer(2));
    user.email = row.bytes(3);
    user.gender = static_cast<uint16_t>(row.integer(4));
    user.province = row.bytes(5);
    user.city = row.bytes(6);
    user.phone = row.bytes(7);
    user.age = static_cast<uint16_t>(row.integer(8));
    user.visibility = static_cast<uint16_t>(row.integer(9));
    user.country = row.bytes(10);
    user.homePage = row.bytes(11);
    user.description = row.bytes(12);
    const int64_t policy = row.integer(13);
    user.addPolicy = policy == 1   ? AddPolicy::Auth
                     : policy == 2 ? AddPolicy::Nobody
                                   : AddPolicy::Anyone;
    return user;
}

// Binds the profile fields from parameter `first` on, in kUserColumns order
// without the ID and the policy.
void bindProfile(Statement& statement, int first, const UserRecord& user) {
    statement.bind(first, user.nickname)
        .bind(first + 1, int64_t{user.face})
        .bind(first + 2, user.email)
        .bind(first + 3, int64_t{user.gender})
        .bind(first + 4, user.province)
        .bind(first + 5, user.city)
        .bind(first + 6, user.phone)
        .bind(first + 7, int64_t{user.age})
        .bind(first + 8, int64_t{user.visibility})
        .bind(first + 9, user.country)
        .bind(first + 10, user.homePage)
        .bind(first + 11, user.description);
}

}  // namespace

ServerStore::ServerStore(const std::string& path) : db_(path) {
    createSchema();
    insertUser_ = db_.prepare(
        "INSERT INTO users (id, salt, password_hash, nickname, face, email, gender, province, "
        "city, phone, age, visibility, country, home_page, description, add_policy) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)");
    findUser_ = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE id = ?1");
    userExists_ = db_.prepare("SELECT 1 FROM users WHERE id = ?1");
    updateProfile_ = db_.prepare(
        "UPDATE users SET nickname = ?2, face = ?3, email = ?4, gender = ?5, province = ?6, "
        "city = ?7, phone = ?8, age = ?9, visibility = ?10, country = ?11, home_page = ?12, "
        "description = ?13 WHERE id = ?1");
    setPassword_ = db_.prepare("UPDATE users SET salt = ?2, password_hash = ?3 WHERE id = ?1");
    getPassword_ = db_.prepare("SELECT salt, password_hash FROM users WHERE id = ?1");
    setPolicy_ = db_.prepare("UPDATE users SET add_policy = ?2 WHERE id = ?1");
    nextId_ = db_.prepare("SELECT value FROM meta WHERE key = 'next_id'");
    setNextId_ = db_.prepare("INSERT OR REPLACE INTO meta (key, value) VALUES ('next_id', ?1)");
    getRelation_ = db_.prepare("SELECT relation FROM relations WHERE owner = ?1 AND contact = ?2");
    setRelation_ = db_.prepare(
        "INSERT INTO relations (owner, contact, relation) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (owner, contact) DO UPDATE SET relation = excluded.relation");
    removeRelation_ = db_.prepare("DELETE FROM relations WHERE owner = ?1 AND contact = ?2");
    contactsOf_ =
        db_.prepare("SELECT contact, relation FROM relations WHERE owner = ?1 ORDER BY rowid");
    contactCount_ = db_.prepare("SELECT COUNT(*) FROM relations WHERE owner = ?1");
    ownersWith_ = db_.prepare("SELECT owner FROM relations WHERE contact = ?1 AND relation = ?2");
    addAuth_ =
        db_.prepare("INSERT OR IGNORE INTO auth_requests (requester, target) VALUES (?1, ?2)");
    takeAuth_ = db_.prepare("DELETE FROM auth_requests WHERE requester = ?1 AND target = ?2");
    replacePassword_ = db_.prepare(
        "UPDATE users SET salt = ?2, password_hash = ?3 "
        "WHERE id = ?1 AND salt = ?4 AND password_hash = ?5");
    storeMessage_ =
        db_.prepare("INSERT INTO offline_messages (recipient, sender, packet) VALUES (?1, ?2, ?3)");
    countMessages_ = db_.prepare("SELECT COUNT(*) FROM offline_messages WHERE recipient = ?1");
    countFromSender_ =
        db_.prepare("SELECT COUNT(*) FROM offline_messages WHERE recipient = ?1 AND sender = ?2");
    loadMessages_ =
        db_.prepare("SELECT id, packet FROM offline_messages WHERE recipient = ?1 ORDER BY id");
    deleteMessage_ = db_.prepare("DELETE FROM offline_messages WHERE id = ?1");

    ensureServiceAccount(kSystemId, text::toGbk("系统消息"));
    ensureServiceAccount(kSupportId, text::toGbk("技术支持"));
}

void ServerStore::createSchema() {
    // WAL keeps every committed change across a killed process while letting
    // a busy server commit without waiting for the disk on each write.
    db_.exec("PRAGMA journal_mode = WAL");
    db_.exec("PRAGMA synchronous = NORMAL");
    db_.exec("PRAGMA foreign_keys = OFF");
    Transaction transaction(db_);
    db_.exec(kSchema);
    addMessageSenders();
    db_.exec(
        "CREATE INDEX IF NOT EXISTS offline_by_sender ON offline_messages (recipient, sender)");
    transaction.commit();
}

// Stores made before senders were counted get the column; their messages
// count as from nobody.
void ServerStore::addMessageSenders() {
    Statement columns = db_.prepare("PRAGMA table_info(offline_messages)");
    while (columns.step()) {
        if (columns.bytes(1) == "sender") return;
    }
    db_.exec("ALTER TABLE offline_messages ADD COLUMN sender INTEGER NOT NULL DEFAULT 0");
}

// Service accounts have no password: nobody logs in as them.
void ServerStore::ensureServiceAccount(uint32_t id, std::string_view nickname) {
    if (userExists(id)) return;
    UserRecord user;
    user.id = id;
    user.nickname = std::string(nickname);
    insertUser(user, "", "");
}

bool ServerStore::userExists(uint32_t id) {
    StatementScope q(userExists_);
    q->bind(1, int64_t{id});
    return q->step();
}

void ServerStore::insertUser(const UserRecord& user, std::string_view salt, std::string_view hash) {
    StatementScope q(insertUser_);
    q->bind(1, int64_t{user.id}).bind(2, salt).bind(3, hash);
    bindProfile(*q, 4, user);
    q->bind(16, static_cast<int64_t>(user.addPolicy));
    q->run();
}

uint32_t ServerStore::registerUser(UserRecord profile, std::string_view passwordHash) {
    Transaction transaction(db_);
    int64_t next = kFirstUserId;
    {
        StatementScope q(nextId_);
        if (q->step()) next = std::max<int64_t>(q->integer(0), kFirstUserId);
    }
    while (userExists(static_cast<uint32_t>(next))) ++next;
    if (next > UINT32_MAX) throw StoreError("user IDs exhausted");
    profile.id = static_cast<uint32_t>(next);
    insertUser(profile, "", passwordHash);
    {
        StatementScope q(setNextId_);
        q->bind(1, next + 1).run();
    }
    transaction.commit();
    return profile.id;
}

std::vector<UserRecord> ServerStore::loadUsers() {
    Statement q = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users ORDER BY id");
    std::vector<UserRecord> users;
    while (q.step()) users.push_back(readUser(q));
    return users;
}

std::optional<UserRecord> ServerStore::findUser(uint32_t id) {
    StatementScope q(findUser_);
    q->bind(1, int64_t{id});
    if (!q->step()) return std::nullopt;
    return readUser(*q);
}

void ServerStore::updateProfile(const UserRecord& profile, std::string_view passwordHash) {
    Transaction transaction(db_);
    {
        StatementScope q(updateProfile_);
        q->bind(1, int64_t{profile.id});
        bindProfile(*q, 2, profile);
        q->run();
    }
    setPasswordHash(profile.id, passwordHash);
    transaction.commit();
}

void ServerStore::setPasswordHash(uint32_t id, std::string_view passwordHash) {
    StatementScope q(setPassword_);
    q->bind(1, int64_t{id}).bind(2, std::string_view()).bind(3, passwordHash).run();
}

std::optional<StoredPassword> ServerStore::storedPassword(uint32_t id) {
    StatementScope q(getPassword_);
    q->bind(1, int64_t{id});
    if (!q->step()) return std::nullopt;
    return StoredPassword{q->bytes(0), q->bytes(1)};
}

bool ServerStore::replacePassword(uint32_t id, const StoredPassword& old,
                                  std::string_view newHash) {
    StatementScope q(replacePassword_);
    q->bind(1, int64_t{id})
        .bind(2, std::string_view())
        .bind(3, newHash)
        .bind(4, old.salt)
        .bind(5, old.hash)
        .run();
    return db_.changes() > 0;
}

void ServerStore::setAddPolicy(uint32_t id, AddPolicy policy) {
    StatementScope q(setPolicy_);
    q->bind(1, int64_t{id}).bind(2, static_cast<int64_t>(policy)).run();
}

uint16_t ServerStore::relation(uint32_t owner, uint32_t contact) {
    StatementScope q(getRelation_);
    q->bind(1, int64_t{owner}).bind(2, int64_t{contact});
    return q->step() ? static_cast<uint16_t>(q->integer(0)) : 0;
}

void ServerStore::setRelation(uint32_t owner, uint32_t contact, uint16_t relation) {
    StatementScope q(setRelation_);
    q->bind(1, int64_t{owner}).bind(2, int64_t{contact}).bind(3, int64_t{relation}).run();
}

void ServerStore::removeRelation(uint32_t owner, uint32_t contact) {
    StatementScope q(removeRelation_);
    q->bind(1, int64_t{owner}).bind(2, int64_t{contact}).run();
}

std::vector<std::pair<uint32_t, uint16_t>> ServerStore::contactsOf(uint32_t owner) {
    StatementScope q(contactsOf_);
    q->bind(1, int64_t{owner});
    std::vector<std::pair<uint32_t, uint16_t>> contacts;
    while (q->step()) {
        contacts.emplace_back(static_cast<uint32_t>(q->integer(0)),
                              static_cast<uint16_t>(q->integer(1)));
    }
    return contacts;
}

std::size_t ServerStore::contactCount(uint32_t owner) {
    StatementScope q(contactCount_);
    q->bind(1, int64_t{owner});
    return q->step() ? static_cast<std::size_t>(q->integer(0)) : 0;
}

std::vector<uint32_t> ServerStore::ownersWith(uint32_t contact, uint16_t relation) {
    StatementScope q(ownersWith_);
    q->bind(1, int64_t{contact}).bind(2, int64_t{relation});
    std::vector<uint32_t> owners;
    while (q->step()) owners.push_back(static_cast<uint32_t>(q->integer(0)));
    return owners;
}

void ServerStore::addAuthRequest(uint32_t requester, uint32_t target) {
    StatementScope q(addAuth_);
    q->bind(1, int64_t{requester}).bind(2, int64_t{target}).run();
}

bool ServerStore::takeAuthRequest(uint32_t requester, uint32_t target) {
    StatementScope q(takeAuth_);
    q->bind(1, int64_t{requester}).bind(2, int64_t{target}).run();
    return db_.changes() > 0;
}

OfflineStore ServerStore::storeMessage(uint32_t recipient, uint32_t sender,
                                       const std::vector<uint8_t>& packet) {
    if (messageCount(recipient) >= kMaxOfflineMessages) return OfflineStore::BoxFull;
    {
        StatementScope q(countFromSender_);
        q->bind(1, int64_t{recipient}).bind(2, int64_t{sender});
        if (q->step() && q->integer(0) >= static_cast<int64_t>(kMaxOfflinePerSender)) {
            return OfflineStore::SenderShareUsed;
        }
    }
    StatementScope q(storeMessage_);
    q->bind(1, int64_t{recipient})
        .bind(2, int64_t{sender})
        .bind(3, std::string_view(reinterpret_cast<const char*>(packet.data()), packet.size()))
        .run();
    return OfflineStore::Stored;
}

std::size_t ServerStore::messageCount(uint32_t recipient) {
    StatementScope q(countMessages_);
    q->bind(1, int64_t{recipient});
    return q->step() ? static_cast<std::size_t>(q->integer(0)) : 0;
}

std::vector<StoredMessage> ServerStore::loadMessages(uint32_t recipient) {
    StatementScope q(loadMessages_);
    q->bind(1, int64_t{recipient});
    std::vector<StoredMessage> messages;
    while (q->step()) {
        const std::string bytes = q->bytes(1);
        messages.push_back({q->integer(0), std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    return messages;
}

void ServerStore::deleteMessages(std::span<const int64_t> ids) {
    if (ids.empty()) return;
    Transaction transaction(db_);
    for (const int64_t id : ids) {
        StatementScope q(deleteMessage_);
        q->bind(1, id).run();
    }
    transaction.commit();
}

}  // namespace zemra::server
