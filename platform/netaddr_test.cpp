#include "platform/netaddr.h"

#include <gtest/gtest.h>

namespace zemra::netaddr {
namespace {

TEST(NetAddrTest, PrivateAddressesWinAndLoopbackFails) {
    EXPECT_EQ(chooseLocalAddress({"10.0.0.5", "8.8.4.4"}), "10.0.0.5");
    // A public address is replaced by a private one that comes later...
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "192.168.1.2"}), "192.168.1.2");
    // ...and the last public one wins otherwise.
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "9.9.9.9"}), "9.9.9.9");
    EXPECT_FALSE(chooseLocalAddress({"127.0.0.1"}).has_value());
    EXPECT_FALSE(chooseLocalAddress({"8.8.4.4", "127.0.0.1", "10.1.1.1"}).has_value());
    EXPECT_FALSE(chooseLocalAddress({}).has_value());
    // The walk compares text prefixes, so "100.x" counts as a "10" address.
    EXPECT_EQ(chooseLocalAddress({"100.64.0.1"}), "100.64.0.1");
}

TEST(NetAddrTest, LoopbackComesLast) {
    const auto addresses = hostAddresses();
    ASSERT_FALSE(addresses.empty());  // every host has lo
    bool seenLoopback = false;
    for (const auto& address : addresses) {
        if (address.starts_with("127.")) {
            seenLoopback = true;
        } else {
            EXPECT_FALSE(seenLoopback) << address << " after a loopback address";
        }
    }
    EXPECT_TRUE(seenLoopback);
}

}  // namespace
}  // namespace zemra::netaddr
