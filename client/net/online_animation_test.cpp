#include "client/net/online_animation.h"

#include <gtest/gtest.h>

namespace zemra::client {
namespace {

TEST(OnlineAnimationTest, TwentyFiveStepsThroughTheFiveColours) {
    OnlineAnimation animation;
    animation.start(7);
    // Counter 25: 25 mod 5 = 0, red.
    EXPECT_EQ(animation.colourOf(7), 0xFF0000u);
    int ticksWhileFlashing = 0;
    while (animation.tick()) ++ticksWhileFlashing;
    // Counters 24 ... 0 are drawn; the tick that takes it below 0 ends it.
    EXPECT_EQ(ticksWhileFlashing, 25);
    EXPECT_FALSE(animation.colourOf(7).has_value());
    EXPECT_FALSE(animation.active());

    animation.start(1);
    animation.tick();  // 24 -> colour 4, blue
    EXPECT_EQ(animation.colourOf(1), 0x0000FFu);
    animation.start(1);  // a repeated notice starts over
    EXPECT_EQ(animation.colourOf(1), 0xFF0000u);
}

}  // namespace
}  // namespace zemra::client
