#include "vidcore/send_rate.h"

#include <gtest/gtest.h>

namespace zemra::vid {
namespace {

TEST(SendRateTest, AtTenPerSecondOnlyAfterMoreThanAHundredMilliseconds) {
    SendRate rate;
    rate.setFramesPerSecond(10);
    EXPECT_TRUE(rate.admit(1000));
    EXPECT_FALSE(rate.admit(1050));
    EXPECT_FALSE(rate.admit(1100));
    EXPECT_TRUE(rate.admit(1101));
    EXPECT_FALSE(rate.admit(1201));
    EXPECT_TRUE(rate.admit(1202));
}

TEST(SendRateTest, CameraEveryThirtyThreeMillisecondsAtTwentyFour) {
    SendRate rate;
    EXPECT_EQ(rate.framesPerSecond(), 24u);
    std::vector<uint32_t> sent;
    for (uint32_t t = 1000; t < 1400; t += 33) {
        if (rate.admit(t)) sent.push_back(t);
    }
    // 1000/24 = 41: each picture sent is more than 41 ms after the one before.
    EXPECT_EQ(sent, (std::vector<uint32_t>{1000, 1066, 1132, 1198, 1264, 1330, 1396}));
}

TEST(SendRateTest, NothingAtZeroAndAStepBackRestartsTheMeasure) {
    SendRate rate;
    rate.setFramesPerSecond(0);
    EXPECT_FALSE(rate.admit(5000));
    rate.setFramesPerSecond(10);
    EXPECT_TRUE(rate.admit(5000));
    EXPECT_FALSE(rate.admit(4000));  // clock went back: skipped, measured from here
    EXPECT_FALSE(rate.admit(4100));
    EXPECT_TRUE(rate.admit(4101));
}

}  // namespace
}  // namespace zemra::vid
