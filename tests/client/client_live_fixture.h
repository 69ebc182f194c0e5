// The headless client against a real zemrad of its own on one loopback address.
#pragma once

#include <gtest/gtest.h>

#include "tests/client/client_harness.h"
#include "tests/integration/live_server.h"

namespace zemra::client::testing {

class ClientLiveTest : public ::testing::Test {
  protected:
    explicit ClientLiveTest(const std::string& address) : server(address), client(address) {}
    void SetUp() override { ASSERT_TRUE(server.process.start()) << server.process.log(); }

    // Logs the harness in as a registered user with seeded local data.
    void loginAs(uint32_t id, const std::string& password = "pw", bool invisible = false) {
        client.seedLocalUser(id);
        client.ui.loginAnswers.push_back(acceptLogin(id, password, invisible));
        ASSERT_TRUE(client.core().start());
        ASSERT_TRUE(waitUntil([&] { return client.core().loggedIn(); }));
    }

    integration::LiveServer server;
    ClientHarness client;
};

}  // namespace zemra::client::testing
