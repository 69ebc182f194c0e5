#include "client/net/resolve.h"

#include <gtest/gtest.h>

#include "client/net/server_connection.h"

namespace zemra::client {
namespace {

TEST(ResolveIpv4, AddressesStayAndNamesTurnIntoAddresses) {
    EXPECT_EQ(resolveIpv4("127.0.4.9"), "127.0.4.9");
    EXPECT_EQ(resolveIpv4(" 10.1.2.3 "), "10.1.2.3");
    EXPECT_EQ(resolveIpv4("localhost"), "127.0.0.1");
    EXPECT_EQ(resolveIpv4(""), std::nullopt);
    EXPECT_EQ(resolveIpv4("::1"), std::nullopt);  // the probes and the relay speak IPv4
    EXPECT_EQ(resolveIpv4("no-such-host.invalid"), std::nullopt);
}

TEST(ServerConnection, AServerNamedByHostNameIsReachedAtOneAddressEverywhere) {
    ServerConnection connection({});
    connection.setServer("localhost", 3000);
    // The probes and the file relay take this address, not the name.
    EXPECT_EQ(connection.serverAddress(), "127.0.0.1");
    connection.setServer("no-such-host.invalid", 3000);
    EXPECT_EQ(connection.serverAddress(), "no-such-host.invalid");
}

}  // namespace
}  // namespace zemra::client
