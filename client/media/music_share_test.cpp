#include "client/media/music_share.h"

#include <gtest/gtest.h>

#include "client/media/soft_mixer_fixture.h"

namespace zemra::client {
namespace {

using MusicShareTest = SoftMixerFixture;

TEST_F(MusicShareTest, SharingRecordsWhatThePlaybackPlaysAtFullVolumeAndBack) {
    const auto mixer = Mixer::open(0);
    const MixerLine recording = recordingLine(*mixer);
    const uint32_t mux = recording.controls.at(0).id;
    const MixerLine played = *mixer->source(recording, 1);
    ASSERT_EQ(played.component, MixerComponent::kSourceWaveOut);
    const uint32_t playedVolume = played.controls.at(0).id;
    ASSERT_TRUE(mixer->setValues(playedVolume, {10}));

    ASSERT_TRUE(selectRecordingSource(0, true));
    EXPECT_EQ(values(*mixer, mux), (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(values(*mixer, playedVolume), std::vector<int32_t>{0xFFFF});

    ASSERT_TRUE(selectRecordingSource(0, false));
    EXPECT_EQ(values(*mixer, mux), (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(softMixerInputScale(), 1.0) << "the microphone is heard again";
}

TEST_F(MusicShareTest, WithoutTheDevicesMixerTheSourceStays) {
    const auto mixer = Mixer::open(0);
    const uint32_t mux = recordingLine(*mixer).controls.at(0).id;
    EXPECT_FALSE(selectRecordingSource(1, true));
    unsetenv("ZEMRA_AUDIO_IN");
    EXPECT_FALSE(selectRecordingSource(0, true));
    EXPECT_EQ(values(*mixer, mux), (std::vector<int32_t>{1, 0, 0}));
}

}  // namespace
}  // namespace zemra::client
