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
#include "platform/testing/virtual_sound_fixture.h"

namespace zemra::client {

class SoftMixerFixture : public zemra::testing::VirtualSoundTest {
  protected:
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
