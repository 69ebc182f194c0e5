// Tests of the sound devices' mixer: the virtual microphone and speaker are
// the only devices, and the software mixer starts fresh in every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/mixer_soft.h"

namespace zemra::testing {

class VirtualSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ZEMRA_AUDIO_IN", "tone:1000", 1);
        setenv("ZEMRA_AUDIO_OUT", "null", 1);
        resetSoftMixer();
    }
    void TearDown() override {
        unsetenv("ZEMRA_AUDIO_IN");
        unsetenv("ZEMRA_AUDIO_OUT");
        resetSoftMixer();
    }
};

}  // namespace zemra::testing
