// Test helpers: a real store in a temporary folder, the rules on top of it,
// clients that are nothing but connection IDs, and background work that the
// tests hold back or refuse at will (TestWork).
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "protocol/login_packets.h"
#include "protocol/packet.h"
#include "protocol/profile_packets.h"
#include "protocol/simple_packets.h"
#include "server/server_rules.h"
#include "server/testing/test_work.h"

namespace zemra::server {

struct TestClient {
    ConnectionId connection = 0;
    uint32_t id = 0;
};

class RulesFixture : public ::testing::Test {
  protected:
    static uint32_t loopback() { return htonl(0x7F000001); }

    ConnectionId connect(uint32_t address = loopback()) {
        const ConnectionId connection = nextConnection++;
        rules.onConnect(connection, address);
        return connection;
    }

    // Registers on a fresh connection, which then stays logged in as the new user.
    TestClient registerUser(const std::string& nickname, const std::string& password = "pw",
                            uint16_t gender = 0, const std::string& city = "") {
        TestClient client{connect(), 0};
        protocol::UserProfile profile;
        profile.nickname = nickname;
        profile.password = password;
        profile.gender = gender;
        profile.city = city;
        const Outbox out = rules.onPacket(client.connection, protocol::buildRegister(profile));
        const auto answers = packetsTo(out, client.connection, protocol::PT_REGISTERED);
        EXPECT_EQ(answers.size(), 1u);
        if (!answers.empty()) client.id = protocol::parseUserId(answers[0]);
        return client;
    }

    Outbox login(TestClient& client, const std::string& password = "pw", bool invisible = false) {
        client.connection = connect();
        protocol::LoginRequest request;
        request.userId = client.id;
        request.password = password;
        request.invisible = invisible;
        return rules.onPacket(client.connection, protocol::buildLogin(request));
    }

    Outbox logout(TestClient& client) { return rules.onDisconnect(client.connection); }

    Outbox send(const TestClient& client, const std::vector<uint8_t>& packet) {
        return rules.onPacket(client.connection, packet);
    }

    static std::vector<std::vector<uint8_t>> packetsTo(const Outbox& out, ConnectionId connection,
                                                       uint16_t type) {
        std::vector<std::vector<uint8_t>> found;
        for (const auto& packet : out.packets()) {
            if (packet.connection == connection &&
                protocol::PacketView(packet.bytes).type() == type) {
                found.push_back(packet.bytes);
            }
        }
        return found;
    }

    static std::vector<uint16_t> typesTo(const Outbox& out, ConnectionId connection) {
        std::vector<uint16_t> types;
        for (const auto& packet : out.packets()) {
            if (packet.connection == connection) {
                types.push_back(protocol::PacketView(packet.bytes).type());
            }
        }
        return types;
    }

    // Finishes the held work and returns what it produced.
    Outbox finishWork() {
        work.finishAll();
        return rules.takeOutput();
    }

    // Reports every packet with a receipt to `connection` in `out` as
    // written (or lost), as the network does once the socket took it.
    Outbox reportWritten(const Outbox& out, ConnectionId connection, bool written = true) {
        std::vector<uint64_t> receipts;
        for (const auto& packet : out.packets()) {
            if (packet.connection == connection && packet.receipt) {
                receipts.push_back(packet.receipt);
            }
        }
        return rules.onWritten(connection, receipts, written);
    }

    static bool closes(const Outbox& out, ConnectionId connection) {
        for (const auto& close : out.closes()) {
            if (close.connection == connection) return true;
        }
        return false;
    }

    testing::TempDir dir;
    ServerStore store{(dir / "zemrad.db").string()};
    TestWork work;
    // Tests register dozens of users from one address; the quota has tests of its own.
    ServerRules rules{store, work, RulesLimits{.registrationsPerHour = 1000}};
    ConnectionId nextConnection = 1;
};

}  // namespace zemra::server
