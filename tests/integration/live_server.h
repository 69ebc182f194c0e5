// One zemrad per test, on an address no other test uses, with a fresh store.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "protocol/message_packets.h"
#include "tests/integration/test_client.h"
#include "tests/integration/zemrad_process.h"

namespace zemra::integration {

struct LiveServer {
    // `extraArguments` go on zemrad's command line (its limits, say).
    explicit LiveServer(const std::string& address, std::vector<std::string> extraArguments = {})
        : process(address, dir / "zemrad.db", dir / "zemrad.log", std::move(extraArguments)) {}

    const std::string& address() const { return process.address(); }

    // Registers on a connection of its own, which is then closed.
    uint32_t newUser(const std::string& nickname, const std::string& password = "pw",
                     uint16_t gender = 0, const std::string& city = "") {
        TestClient client(address(), 3000, clientAddress);
        return client.registerUser(nickname, password, gender, city);
    }

    std::unique_ptr<TestClient> loggedIn(uint32_t id, const std::string& password = "pw",
                                         bool invisible = false) {
        auto client = std::make_unique<TestClient>(address(), 3000, clientAddress);
        if (!client->login(id, password, invisible)) return nullptr;
        return client;
    }

    zemra::testing::TempDir dir;
    ZemradProcess process;
    // Where the helpers' connections come from; empty leaves it to the system.
    std::string clientAddress;
};

inline std::vector<uint8_t> loginPacket(uint32_t id, const std::string& password) {
    protocol::LoginRequest request;
    request.userId = id;
    request.password = password;
    return protocol::buildLogin(request);
}

inline std::vector<uint8_t> textMessage(uint32_t to, const std::string& text,
                                        uint8_t kind = protocol::kMessageText) {
    protocol::TextMessage message;
    message.kind = kind;
    message.fontSize = 12;
    message.faceName = "\xCB\xCE\xCC\xE5";  // 宋体
    message.flags = 2;
    message.peerId = to;
    message.text = text;
    message.time = 1700000000;
    return protocol::buildMessage(message);
}

}  // namespace zemra::integration
