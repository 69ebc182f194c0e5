// libFuzzer entry point: the server's rules for three client connections
// that log in (or not) and send packets made from the input.
//
// The input is a sequence of at most kMaxRecords records. Each starts with
// a selector byte:
//   bits 0-4  the packet type, an index into kClientTypes (31: the type is
//             read from the next two bytes), or the event for bits 5-6 == 3
//   bits 5-6  the connection (0-2), or 3 for an event of the network layer
//   bit 7     the header's protocol version comes from the next two bytes
// A packet record goes on with a two-byte body length (reduced to what the
// reassembler lets through) and the body; what the input lacks of the body
// is zeros, so that short inputs still make packets of full size. Packets
// reach ServerRules::onPacket as the reassembler hands them over: header
// included, body length matching the packet. An event record (see
// networkEvent) drops a connection, logs one in with the right password,
// brings a UDP probe, holds or finishes the password work, or makes the
// writes of packets with receipts fail.
//
// Every outbox is carried out as ZemraServer::deliver does: receipts of
// packets to an open connection are reported written (or lost, when the
// input says so), closed connections are reported gone. After each event
// the program checks that every packet the server sends is well formed,
// that sessions and connections agree, and that call states pair up; at the
// end every connection goes, which must leave no session behind.
//
// The store is the real one, in a SQLite file under /dev/shm, put back to
// the same accounts, contacts and kept messages before every input; the
// rules are made anew for every input. The one part replaced is password
// hashing: Argon2id takes tens of milliseconds by design, so this program
// defines hashPassword(), verifyPassword() and passwordNeedsRehash() itself
// (a plain tagged comparison) and the linker leaves password_hash.cpp out.
// Everything the rules do around them is the product's own.
#include <arpa/inet.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fuzz/fuzz_input.h"

#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/packet.h"
#include "protocol/packet_types.h"
#include "server/password_hash.h"
#include "server/server_rules.h"
#include "server/server_store.h"
#include "server/sqlite_db.h"
#include "server/testing/test_work.h"

namespace zemra::server {

// Stand-ins for password_hash.cpp (see above).
std::string hashPassword(std::string_view password) {
    return "fuzz:" + std::string(password);
}

bool verifyPassword(const StoredPassword& stored, std::string_view password) {
    return !stored.disabled() && stored.hash == hashPassword(password);
}

bool passwordNeedsRehash(const StoredPassword& stored) {
    return !stored.disabled() && !stored.hash.starts_with("fuzz:");
}

}  // namespace zemra::server

namespace {

using namespace zemra;
using namespace zemra::server;
using namespace zemra::protocol;

constexpr uint16_t kClientTypes[] = {
    PT_LOGIN,           PT_CAPABILITIES,      PT_SEARCH_ONLINE, PT_SEARCH_BY_NICK,
    PT_SEARCH_BY_ID,    PT_CALL_REQUEST,      PT_CALL_DECLINE,  PT_CALL_ACCEPT,
    PT_CALL_CANCEL,     PT_CALL_HANGUP,       PT_AWAY_TEXT,     PT_CALL_TEXT,
    PT_ANNOUNCE,        PT_GET_DETAILS,       PT_FILE_ABORT,    PT_FILE_PROPOSE,
    PT_FILE_ACCEPT,     PT_FILE_REFUSE,       PT_FILE_BUSY,     PT_FILE_CANCEL,
    PT_SET_DETAILS,     PT_SET_RELATION,      PT_AUTH_ACCEPT,   PT_AUTH_REFUSE,
    PT_REGISTER,        PT_GO_INVISIBLE,      PT_GO_VISIBLE,    PT_ADD_POLICY_ANYONE,
    PT_ADD_POLICY_AUTH, PT_ADD_POLICY_NOBODY, PT_MESSAGE,
};
constexpr std::size_t kRawType = 31;
static_assert(std::size(kClientTypes) == kRawType);

constexpr int kSlots = 3;
// Records an input may hold, so that every input stays a few milliseconds.
constexpr int kMaxRecords = 64;

// The accounts every input starts with.
struct Account {
    const char* nickname;
    const char* password;
    AddPolicy policy;
};
constexpr Account kAccounts[] = {
    {"alice", "pw-alice", AddPolicy::Anyone},
    {"bob", "pw-bob", AddPolicy::Anyone},
    {"carol", "pw-carol", AddPolicy::Auth},
    {"dave", "pw-dave", AddPolicy::Nobody},
};
constexpr uint32_t kAlice = ServerStore::kFirstUserId;
constexpr uint32_t kBob = kAlice + 1;
constexpr uint32_t kCarol = kAlice + 2;
constexpr uint32_t kDave = kAlice + 3;

std::vector<uint8_t> storedMessage(uint32_t from, std::string text) {
    TextMessage message;
    message.kind = kMessageText;
    message.peerId = from;
    message.text = std::move(text);
    message.time = 1234;
    return buildMessage(message, PT_MESSAGE_PASSIVE);
}

// A folder of this process under /dev/shm, removed at exit.
struct Folder {
    Folder() : path("/dev/shm/zemra-server-dispatch-fuzz-" + std::to_string(::getpid())) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// The store the rules work on, and a pristine copy of its first contents
// made once. Opening a store costs milliseconds (its statements are
// prepared), so the store stays open and a second connection puts every
// table back to the pristine contents before each input.
class FuzzStore {
  public:
    FuzzStore() {
        const std::string pristine = (folder_.path / "pristine.db").string();
        const std::string work = (folder_.path / "zemrad.db").string();
        fill(pristine);
        std::filesystem::copy_file(pristine, work);
        store_.emplace(work);
        restorer_.emplace(work);
        restorer_->exec(("ATTACH DATABASE '" + pristine + "' AS pristine").c_str());
        for (const char* table : {"meta", "users", "relations", "auth_requests", "offline_messages",
                                  "sqlite_sequence"}) {
            const std::string name(table);
            restore_.push_back(restorer_->prepare("DELETE FROM main." + name));
            restore_.push_back(
                restorer_->prepare("INSERT INTO main." + name + " SELECT * FROM pristine." + name));
        }
    }

    ServerStore& reset() {
        Transaction transaction(*restorer_);
        for (Statement& statement : restore_) {
            StatementScope scope(statement);
            scope->run();
        }
        transaction.commit();
        return *store_;
    }

  private:
    static void fill(const std::string& path) {
        ServerStore store(path);
        for (const Account& account : kAccounts) {
            UserRecord record;
            record.nickname = account.nickname;
            record.city = "city";
            const uint32_t id = store.registerUser(record, hashPassword(account.password));
            store.setAddPolicy(id, account.policy);
        }
        store.setRelation(kAlice, kBob, kRelationFriend);
        store.setRelation(kBob, kAlice, kRelationFriend);
        store.setRelation(kAlice, kCarol, kRelationFriend);
        store.setRelation(kCarol, kAlice, kRelationBlacklist);
        store.setRelation(kDave, kBob, kRelationFriend);
        store.addAuthRequest(kDave, kCarol);
        store.storeMessage(kAlice, kBob, storedMessage(kBob, "kept for alice"));
        store.storeMessage(kAlice, kDave, storedMessage(kDave, "another one"));
        store.storeMessage(kBob, kCarol, storedMessage(kCarol, "kept for bob"));
    }

    // Declared in the order that closes everything before the folder goes.
    Folder folder_;
    std::optional<ServerStore> store_;
    std::optional<SqliteDb> restorer_;
    std::vector<Statement> restore_;
};

bool wellFormed(const std::vector<uint8_t>& packet) {
    if (packet.size() < kHeaderSize || packet.size() > kMaxPacketSize) return false;
    const PacketHeader header = PacketView(packet).header();
    return header.version == kProtocolVersion && header.bodyLength == packet.size() - kHeaderSize;
}

// The rules with the network layer around them, as ZemraServer runs them.
class Server {
  public:
    explicit Server(ServerStore& store)
        : rules_(store, work_, RulesLimits{.registrationsPerHour = 50}) {
        work_.maxHeld = 8;  // a small pool's worth of waiting password checks
        for (int slot = 0; slot < kSlots; ++slot) reconnect(slot);
    }

    bool ok() const { return ok_; }

    void packet(int slot, std::span<const uint8_t> bytes) {
        if (!open_.contains(slots_[slot])) reconnect(slot);
        deliver(rules_.onPacket(slots_[slot], bytes));
    }

    void login(int slot, std::size_t account, bool invisible) {
        LoginRequest request;
        request.userId = kAlice + static_cast<uint32_t>(account);
        request.password = kAccounts[account].password;
        request.invisible = invisible;
        packet(slot, buildLogin(request));
    }

    void drop(int slot) {
        const ConnectionId id = slots_[slot];
        if (open_.erase(id)) deliver(rules_.onDisconnect(id));
        reconnect(slot);
    }

    void probe(int slot, uint16_t channel, uint16_t port, std::span<const uint8_t> datagram) {
        deliver(rules_.onProbe(channel, addressOf(slot), port, datagram));
    }

    void holdWork(bool hold) { work_.hold = hold; }
    void finishWork() {
        work_.finishAll();
        deliver(rules_.takeOutput());
    }
    void loseWrites(bool lose) { loseWrites_ = lose; }

    // Every connection goes: no session may stay behind.
    void closeAll() {
        finishWork();
        while (!open_.empty()) {
            const ConnectionId id = *open_.begin();
            open_.erase(open_.begin());
            deliver(rules_.onDisconnect(id));
        }
        check(rules_.onlineCount() == 0);
        check(rules_.state().sessions.all().empty());
    }

  private:
    static uint32_t addressOf(int slot) { return htonl(0x0A000001 + static_cast<uint32_t>(slot)); }

    void check(bool holds) { ok_ = ok_ && holds; }

    void reconnect(int slot) {
        const ConnectionId id = nextConnection_++;
        slots_[slot] = id;
        open_.insert(id);
        deliver(rules_.onConnect(id, addressOf(slot)));
    }

    void deliver(Outbox first) {
        std::deque<std::function<Outbox()>> events;
        Outbox out = std::move(first);
        for (int rounds = 0;; ++rounds) {
            if (rounds > 10000) return check(false);  // events that never settle
            std::map<ConnectionId, std::vector<uint64_t>> written, lost;
            for (const Outbox::Packet& packet : out.packets()) {
                check(wellFormed(packet.bytes));
                if (!packet.receipt) continue;
                (open_.contains(packet.connection) ? written : lost)[packet.connection].push_back(
                    packet.receipt);
            }
            std::vector<ConnectionId> closed;
            for (const Outbox::Close& close : out.closes()) {
                if (open_.erase(close.connection)) closed.push_back(close.connection);
            }
            for (auto& [connection, receipts] : written) {
                // Closed by this very outbox: what was queued is lost with it.
                const bool done = open_.contains(connection) && !loseWrites_;
                events.push_back([this, id = connection, receipts = std::move(receipts), done] {
                    return rules_.onWritten(id, receipts, done);
                });
            }
            for (auto& [connection, receipts] : lost) {
                events.push_back([this, id = connection, receipts = std::move(receipts)] {
                    return rules_.onWritten(id, receipts, false);
                });
            }
            for (const ConnectionId id : closed) {
                events.push_back([this, id] { return rules_.onDisconnect(id); });
            }
            if (events.empty()) break;
            out = events.front()();
            events.pop_front();
        }
        checkState();
    }

    // Sessions and connections agree, and every call state has its other half.
    void checkState() {
        ServerState& state = rules_.state();
        std::size_t loggedIn = 0;
        for (const ConnectionId id : open_) {
            const uint32_t user = rules_.userOf(id);
            if (!user) continue;
            ++loggedIn;
            const Session* session = state.sessions.find(user);
            check(session && session->connection == id);
        }
        check(loggedIn == state.sessions.size());
        for (const auto& [user, session] : state.sessions.all()) {
            check(session.userId == user);
            check(int{session.callPartner != 0} + int{session.outgoingCall != 0} +
                      int{session.incomingCall != 0} <=
                  1);
            if (session.callPartner) {
                const Session* partner = state.sessions.find(session.callPartner);
                check(partner && partner->callPartner == user);
            }
            if (session.outgoingCall) {
                const Session* callee = state.sessions.find(session.outgoingCall);
                check(callee && callee->incomingCall == user);
            }
            if (session.incomingCall) {
                const Session* caller = state.sessions.find(session.incomingCall);
                check(caller && caller->outgoingCall == user);
            }
        }
    }

    TestWork work_;
    ServerRules rules_;
    ConnectionId slots_[kSlots] = {};
    std::set<ConnectionId> open_;
    ConnectionId nextConnection_ = 1;
    bool loseWrites_ = false;
    bool ok_ = true;
};

// Events of the network layer rather than packets, chosen by bits 0-4.
void networkEvent(Server& server, uint8_t code, zemra::fuzz::FuzzInput& in) {
    const int slot = (code >> 3) % kSlots;
    switch (code & 7) {
        case 0:
        case 1:
            return server.drop(slot);
        case 2: {
            const uint8_t who = in.u8();
            return server.login(slot, who % std::size(kAccounts), (who & 0x80) != 0);
        }
        case 3: {
            // As the probe listener passes it on: at most its 64-byte buffer.
            const uint8_t channel = in.u8();
            const uint16_t port = in.u16();
            std::vector<uint8_t> datagram(std::min<std::size_t>(in.u8(), 64));
            in.fill(datagram);
            return server.probe(slot, channel & 3, port, datagram);
        }
        case 4:
            return server.holdWork((code & 8) != 0);
        case 5:
            return server.finishWork();
        default:
            return server.loseWrites((code & 8) != 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzStore store;
    Server server(store.reset());
    zemra::fuzz::FuzzInput in(std::span(data, size));
    std::vector<uint8_t> packet;
    for (int record = 0; record < kMaxRecords && !in.done(); ++record) {
        const uint8_t selector = in.u8();
        const int target = (selector >> 5) & 3;
        const uint8_t code = selector & 0x1F;
        if (target == 3) {
            networkEvent(server, code, in);
            continue;
        }
        const uint16_t version = (selector & 0x80) ? in.u16() : kProtocolVersion;
        const uint16_t type = code == kRawType ? in.u16() : kClientTypes[code];
        const uint32_t bodyLength = in.u16() % (kMaxBodyLength + 1);
        packet.assign(kHeaderSize + bodyLength, 0);
        writeHeader(packet, type, bodyLength);
        packet[2] = static_cast<uint8_t>(version);
        packet[3] = static_cast<uint8_t>(version >> 8);
        in.fill(std::span(packet).subspan(kHeaderSize));
        server.packet(target, packet);
    }
    server.closeAll();
    if (!server.ok()) __builtin_trap();
    return 0;
}
