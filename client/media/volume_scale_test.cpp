#include "client/media/volume_scale.h"

#include <gtest/gtest.h>

namespace zemra::client {
namespace {

TEST(VolumeScaleTest, SlidersAndMixerValuesMapBothWaysWithinTheirRanges) {
    EXPECT_EQ(sliderPosition(0xFFFF, 0, 0xFFFF), 100);
    EXPECT_EQ(sliderPosition(0x7FFF, 0, 0xFFFF), 49);
    EXPECT_EQ(sliderPosition(0, 0, 0xFFFF), 0);
    EXPECT_EQ(volumeAtPosition(100, 0, 0xFFFF), 0xFFFF);
    EXPECT_EQ(volumeAtPosition(50, 0, 0xFFFF), 0x7FFF);
    EXPECT_EQ(volumeAtPosition(50, -10, 10), 0);
    // A control without a range, and positions outside the slider's.
    EXPECT_EQ(sliderPosition(5, 3, 3), 0);
    EXPECT_EQ(volumeAtPosition(150, 0, 64), 64);
    EXPECT_EQ(volumeAtPosition(-5, 0, 64), 0);
    EXPECT_EQ(sliderPosition(2000000000, 0, 10), 100);
}

}  // namespace
}  // namespace zemra::client
