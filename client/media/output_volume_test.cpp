#include "client/media/output_volume.h"

#include <gtest/gtest.h>

#include "client/media/soft_mixer_fixture.h"

namespace zemra::client {
namespace {

using OutputVolumeTest = SoftMixerFixture;

// The wave-output source of the speakers, as another program sees it.
MixerLine waveLine(const Mixer& mixer) {
    const auto speakers = *mixer.destination(MixerComponent::kDestinationSpeakers);
    return *mixer.source(speakers, 0);
}

TEST_F(OutputVolumeTest, TakesTheWaveOutputVolumeAndActsOnThePlayback) {
    const auto other = Mixer::open(0);
    const MixerLine wave = waveLine(*other);
    ASSERT_EQ(wave.component, MixerComponent::kSourceWaveOut);
    COutputVolume output;
    ASSERT_TRUE(output.create(0));
    EXPECT_EQ(output.controlId(), int64_t{wave.controls.at(0).id});
    EXPECT_EQ(output.maximum(), 0xFFFF);
    EXPECT_EQ(output.minimum(), 0);
    ASSERT_TRUE(output.setVolume(0x8000));
    EXPECT_EQ(values(*other, wave.controls.at(0).id), std::vector<int32_t>{0x8000});
    EXPECT_NEAR(softMixerOutputScale(), 0x8000 / double(0xFFFF), 1e-9);
    EXPECT_FALSE(output.setVolume(0x10000));
    EXPECT_EQ(output.volume(), 0x8000);
}

TEST_F(OutputVolumeTest, SpeakerOffMutesTheLineAndSpeakerOnClearsIt) {
    const auto other = Mixer::open(0);
    const uint32_t mute = waveLine(*other).controls.at(1).id;
    COutputVolume output;
    ASSERT_TRUE(output.create(0));
    ASSERT_TRUE(output.speakerOff());
    EXPECT_EQ(values(*other, mute), std::vector<int32_t>{1});
    EXPECT_EQ(softMixerOutputScale(), 0.0);
    EXPECT_EQ(output.volume(), 0xFFFF) << "the volume is left alone";
    ASSERT_TRUE(output.speakerOn());
    EXPECT_EQ(values(*other, mute), std::vector<int32_t>{0});
    EXPECT_EQ(softMixerOutputScale(), 1.0);
}

TEST_F(OutputVolumeTest, WithoutAMixerEveryGetterAnswersMinusOne) {
    COutputVolume output;
    EXPECT_FALSE(output.create(1));
    unsetenv("ZEMRA_AUDIO_OUT");
    EXPECT_FALSE(output.create(0)) << "virtual recording only: no playback mixer";
    EXPECT_FALSE(output.hasControl());
    EXPECT_EQ(output.volume(), -1);
    EXPECT_EQ(output.minimum(), -1);
    EXPECT_EQ(output.maximum(), -1);
    EXPECT_EQ(output.controlId(), -1);
    EXPECT_FALSE(output.setVolume(0));
    EXPECT_FALSE(output.speakerOff());
    EXPECT_EQ(softMixerOutputScale(), 1.0);
}

TEST_F(OutputVolumeTest, ChangesMadeElsewhereReachTheCallback) {
    COutputVolume output;
    ASSERT_TRUE(output.create(0));
    std::vector<int32_t> reported;
    output.setCallback([&](int32_t volume, uintptr_t) { reported.push_back(volume); }, 0);
    const auto other = Mixer::open(0);
    const MixerLine wave = waveLine(*other);
    other->setValues(wave.controls.at(1).id, {1});  // the mute: no report
    other->setValues(wave.controls.at(0).id, {100});
    ASSERT_TRUE(runEventsUntil([&] { return !reported.empty(); }));
    settle();
    EXPECT_EQ(reported, std::vector<int32_t>{100});
}

}  // namespace
}  // namespace zemra::client
