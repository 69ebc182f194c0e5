// For the volume tests: the virtual sound devices with their software mixer
// in its fresh state, and a wait that lets queued calls run.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <functional>

#include "platform/mixer.h"
#include "platform/mixer_soft.h"

namespace zemra::client {

class SoftMixerFixture : public ::testing::Test {
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

    // Runs queued calls until `done`, `ms` at most.
    static bool runEventsUntil(const std::function<bool()>& done, int ms = 2000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        return done();
    }
    // Runs the queued calls that are still coming.
    static void settle() {
        runEventsUntil([] { return false; }, 200);
    }

    // The recording line of the software mixer as another program sees it.
    static MixerLine recordingLine(const Mixer& mixer) {
        return *mixer.destination(MixerComponent::kDestinationWaveIn);
    }
    static std::vector<int32_t> values(const Mixer& mixer, uint32_t control) {
        std::vector<int32_t> v;
        EXPECT_TRUE(mixer.getValues(control, v));
        return v;
    }
};

}  // namespace zemra::client
