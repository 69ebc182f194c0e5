#include "sndcore/auto_gain.h"

#include <gtest/gtest.h>

#include <vector>

namespace zemra::snd {
namespace {

TEST(AutoGainTest, ClimbsPerQuietBufferThenOnlyFallsPerLimitedSample) {
    AutoGain gain;
    std::vector<int16_t> quiet(320, 1000);
    for (int i = 0; i < 10; ++i) {
        std::vector<int16_t> buffer = quiet;
        gain.process(buffer.data(), buffer.size());
    }
    EXPECT_NEAR(gain.gain(), 1.5f, 1e-5f);

    // Three samples exceed the limit once scaled by 1.5 (none before).
    std::vector<int16_t> loud(320, 100);
    loud[10] = 30000;
    loud[20] = -30000;
    loud[30] = 25000;
    loud[40] = 20000;  // 30000 once scaled: below the limit
    std::vector<int16_t> buffer = loud;
    gain.process(buffer.data(), buffer.size());
    EXPECT_NEAR(gain.gain(), 1.35f, 1e-5f);
    EXPECT_FALSE(gain.raising());
    EXPECT_EQ(buffer[10], 32700);
    EXPECT_EQ(buffer[20], -32700);
    EXPECT_EQ(buffer[30], 32700);
    // Samples after a limit use the lowered gain: 20000 x 1.35 after three limits.
    EXPECT_NEAR(buffer[40], 27000, 1);

    for (int i = 0; i < 5; ++i) {
        std::vector<int16_t> more = quiet;
        gain.process(more.data(), more.size());
    }
    EXPECT_NEAR(gain.gain(), 1.35f, 1e-5f) << "never raised again";
}

TEST(AutoGainTest, ScaledSamplesAreTruncatedTowardZero) {
    AutoGain gain;
    std::vector<int16_t> buffer = {3, -3, 7};
    gain.process(buffer.data(), buffer.size());  // gain 1.0: unchanged
    EXPECT_EQ(buffer, (std::vector<int16_t>{3, -3, 7}));
    buffer = {3, -3, 7};
    gain.process(buffer.data(), buffer.size());  // gain 1.05
    EXPECT_EQ(buffer, (std::vector<int16_t>{3, -3, 7}));
    for (int i = 0; i < 8; ++i) gain.process(buffer.data(), 0);
    buffer = {3, -3, 7};
    gain.process(buffer.data(), buffer.size());  // gain 1.5
    EXPECT_EQ(buffer, (std::vector<int16_t>{4, -4, 10}));
}

TEST(AutoGainTest, AClippedInputSwitchesItOffUntilReset) {
    AutoGain gain;
    std::vector<int16_t> buffer(320, 500);
    buffer[100] = 32701;
    const auto before = buffer;
    gain.process(buffer.data(), buffer.size());
    EXPECT_FALSE(gain.enabled());
    EXPECT_EQ(buffer, before) << "sent unchanged";
    std::vector<int16_t> quiet(320, 500);
    gain.process(quiet.data(), quiet.size());
    EXPECT_EQ(quiet, std::vector<int16_t>(320, 500));
    EXPECT_EQ(gain.gain(), 1.0f);

    gain.reset();
    EXPECT_TRUE(gain.enabled());
    std::vector<int16_t> edge(320, -32700);  // the limit itself is allowed
    gain.process(edge.data(), edge.size());
    EXPECT_TRUE(gain.enabled());
}

}  // namespace
}  // namespace zemra::snd
