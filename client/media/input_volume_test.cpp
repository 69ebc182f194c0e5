#include "client/media/input_volume.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <memory>
#include <thread>

#include "client/media/soft_mixer_fixture.h"

namespace zemra::client {
namespace {

using InputVolumeTest = SoftMixerFixture;

TEST_F(InputVolumeTest, TakesTheVolumeControlOfTheChosenSource) {
    const auto other = Mixer::open(0);
    const MixerLine recording = recordingLine(*other);
    for (uint32_t index = 0; index < recording.connections; ++index) {
        SCOPED_TRACE(index);
        const MixerControl expected = other->source(recording, index)->controls.at(0);
        CInputVolume input;
        ASSERT_TRUE(input.create(0, index));
        EXPECT_TRUE(input.hasControl());
        EXPECT_EQ(input.controlId(), int64_t{expected.id});
        EXPECT_EQ(input.minimum(), expected.minimum);
        EXPECT_EQ(input.maximum(), expected.maximum);
        EXPECT_EQ(input.microphoneSource(), 0u) << "whichever source is chosen";
    }
}

TEST_F(InputVolumeTest, ASourceIndexEqualToTheConnectionCountFails) {
    const auto other = Mixer::open(0);
    const uint32_t count = recordingLine(*other).connections;
    CInputVolume input;
    EXPECT_FALSE(input.create(0, count));
    EXPECT_FALSE(input.hasControl());
    EXPECT_EQ(input.volume(), -1);
    EXPECT_EQ(input.minimum(), -1);
    EXPECT_EQ(input.maximum(), -1);
    EXPECT_EQ(input.controlId(), -1);
    EXPECT_EQ(input.microphoneSource(), std::nullopt);
    EXPECT_FALSE(input.setVolume(0));
    EXPECT_FALSE(input.selectSource());
    EXPECT_TRUE(input.create(0, count - 1)) << "the object stays usable";
}

TEST_F(InputVolumeTest, WithoutAMixerEveryGetterAnswersMinusOne) {
    // Only the virtual device 0 has a mixer; without virtual devices this
    // machine has no sound card at all.
    CInputVolume input;
    EXPECT_FALSE(input.create(1, 0));
    EXPECT_EQ(input.volume(), -1);
    EXPECT_EQ(input.minimum(), -1);
    EXPECT_EQ(input.maximum(), -1);
    EXPECT_EQ(input.controlId(), -1);
    EXPECT_EQ(input.microphoneSource(), std::nullopt);
    unsetenv("ZEMRA_AUDIO_IN");
    EXPECT_FALSE(input.create(0, 0)) << "virtual playback only: no recording mixer";
    EXPECT_EQ(input.volume(), -1);
}

TEST_F(InputVolumeTest, VolumeSetsAndReadsBackAndOutOfRangeChangesNothing) {
    CInputVolume input;
    ASSERT_TRUE(input.create(0, 0));
    const auto other = Mixer::open(0);
    const uint32_t id = static_cast<uint32_t>(input.controlId());
    EXPECT_TRUE(input.setVolume(1234));
    EXPECT_EQ(input.volume(), 1234);
    EXPECT_EQ(values(*other, id), std::vector<int32_t>{1234}) << "the mixer itself changed";
    EXPECT_FALSE(input.setVolume(input.maximum() + 1));
    EXPECT_FALSE(input.setVolume(input.minimum() - 1));
    EXPECT_EQ(input.volume(), 1234);
    EXPECT_TRUE(input.setVolume(input.maximum()));
    EXPECT_EQ(input.volume(), input.maximum());
    EXPECT_NEAR(softMixerInputScale(), 1.0, 1e-9) << "the microphone is heard at full volume";
}

TEST_F(InputVolumeTest, SelectingTheSourceMakesItTheOnlyOneRecorded) {
    const auto other = Mixer::open(0);
    const uint32_t mux = recordingLine(*other).controls.at(0).id;
    CInputVolume input;
    ASSERT_TRUE(input.create(0, 2));
    ASSERT_TRUE(input.selectSource());
    EXPECT_EQ(values(*other, mux), (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(softMixerInputScale(), 0.0) << "line input has no sound on a virtual device";
    ASSERT_TRUE(input.create(0, 0));
    ASSERT_TRUE(input.selectSource());
    EXPECT_EQ(values(*other, mux), (std::vector<int32_t>{1, 0, 0}));
}

TEST_F(InputVolumeTest, ChangesMadeElsewhereReachTheCallbackOnTheOwningThread) {
    CInputVolume input;
    ASSERT_TRUE(input.create(0, 0));
    struct Report {
        int32_t volume;
        uintptr_t user;
        QThread* thread;
    };
    std::vector<Report> reports;
    input.setCallback(
        [&](int32_t volume, uintptr_t user) {
            reports.push_back({volume, user, QThread::currentThread()});
        },
        77);
    const auto id = static_cast<uint32_t>(input.controlId());
    const uint32_t mux = recordingLine(*Mixer::open(0)).controls.at(0).id;

    std::thread([id, mux] {
        const auto other = Mixer::open(0);
        other->setValues(mux, {0, 1, 0});  // not the volume: no report
        other->setValues(id, {4321});
    }).join();
    EXPECT_TRUE(reports.empty()) << "reports wait for the owning thread";
    ASSERT_TRUE(runEventsUntil([&] { return !reports.empty(); }));
    settle();  // nothing more is coming
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].volume, 4321);
    EXPECT_EQ(reports[0].user, 77u);
    EXPECT_EQ(reports[0].thread, QThread::currentThread());

    input.destroy();
    Mixer::open(0)->setValues(id, {99});
    settle();
    EXPECT_EQ(reports.size(), 1u) << "no reports after destroy";
}

TEST_F(InputVolumeTest, ObjectsGoingWhileAnotherThreadChangesTheVolumeHearNothingMore) {
    std::atomic<bool> stop = false;
    std::thread changer([&stop] {
        const auto other = Mixer::open(0);
        const auto recording = *other->destination(MixerComponent::kDestinationWaveIn);
        const uint32_t id = other->source(recording, 0)->controls.at(0).id;
        for (int32_t v = 0; !stop; v = (v + 1) % 0xFFFF) other->setValues(id, {v});
    });
    constexpr int kObjects = 50;
    std::vector<int> heard(kObjects, 0);
    std::vector<int> heardWhenGone(kObjects, 0);
    for (int i = 0; i < kObjects; ++i) {
        auto input = std::make_unique<CInputVolume>();
        ASSERT_TRUE(input->create(0, 0));
        input->setCallback([&heard](int32_t, uintptr_t index) { ++heard[index]; }, i);
        EXPECT_TRUE(runEventsUntil([&] { return heard[i] > 0; })) << i;
        // Goes with reports of the other thread still on their way.
        input.reset();
        heardWhenGone[i] = heard[i];
        QCoreApplication::processEvents();
    }
    stop = true;
    changer.join();
    settle();
    EXPECT_EQ(heard, heardWhenGone);
}

}  // namespace
}  // namespace zemra::client
