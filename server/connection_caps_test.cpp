#include "server/connection_caps.h"

#include <gtest/gtest.h>

#include <vector>

namespace zemra::server {
namespace {

TEST(ConnectionCapsTest, RefusesBeyondEitherLimitAndTicketsGiveTheirPlaceBack) {
    ConnectionCaps caps(5, 3);
    std::vector<ConnectionCaps::Ticket> fromA;
    for (int i = 0; i < 3; ++i) fromA.push_back(*caps.admit(1));
    EXPECT_FALSE(caps.admit(1));
    auto b1 = caps.admit(2);
    auto b2 = caps.admit(2);
    ASSERT_TRUE(b1 && b2);
    EXPECT_FALSE(caps.admit(3));  // five open in all
    EXPECT_EQ(caps.open(), 5u);

    fromA.pop_back();
    EXPECT_EQ(caps.openFrom(1), 2u);
    auto c = caps.admit(3);
    EXPECT_TRUE(c);
    EXPECT_FALSE(caps.admit(1));

    // A moved ticket counts once; the place comes back when its last holder goes.
    ConnectionCaps::Ticket moved = std::move(*b1);
    b1.reset();
    EXPECT_EQ(caps.openFrom(2), 2u);
    { ConnectionCaps::Ticket gone = std::move(moved); }
    EXPECT_EQ(caps.openFrom(2), 1u);
    EXPECT_EQ(caps.open(), 4u);
}

}  // namespace
}  // namespace zemra::server
