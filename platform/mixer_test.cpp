#include "platform/mixer.h"

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <mutex>

#include "platform/mixer_soft.h"
#include "platform/testing/temp_dir.h"
#include "platform/testing/virtual_sound_fixture.h"
#include "platform/wav_file.h"
#include "platform/wave.h"

namespace zemra {
namespace {

using namespace std::chrono_literals;

using SoftMixerTest = testing::VirtualSoundTest;

TEST_F(SoftMixerTest, BelongsToTheVirtualDevicesAndHasTheUsualLines) {
    ASSERT_EQ(Mixer::deviceCount(), 1u);
    EXPECT_EQ(Mixer::forWaveIn(0), 0u);
    EXPECT_EQ(Mixer::forWaveOut(0), 0u);
    EXPECT_EQ(Mixer::forWaveIn(1), std::nullopt);
    EXPECT_EQ(Mixer::open(1), nullptr);

    auto mixer = Mixer::open(0);
    ASSERT_NE(mixer, nullptr);
    const auto record = mixer->destination(MixerComponent::kDestinationWaveIn);
    ASSERT_TRUE(record.has_value());
    ASSERT_EQ(record->controls.size(), 1u);
    const MixerControl& mux = record->controls[0];
    EXPECT_EQ(mux.type, MixerControlType::kMux);
    ASSERT_EQ(mux.itemNames.size(), record->connections);
    // Item i is source i.
    for (uint32_t i = 0; i < record->connections; ++i) {
        const auto source = mixer->source(*record, i);
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(source->name, mux.itemNames[i]);
    }
    EXPECT_EQ(mixer->source(*record, record->connections), std::nullopt);
    EXPECT_EQ(mixer->source(*record, 0)->component, MixerComponent::kSourceMicrophone);

    const auto speakers = mixer->destination(MixerComponent::kDestinationSpeakers);
    ASSERT_TRUE(speakers.has_value());
    const auto wave = mixer->source(*speakers, 0);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->component, MixerComponent::kSourceWaveOut);
}

TEST_F(SoftMixerTest, ValuesAreCheckedAndChangesReported) {
    std::vector<uint32_t> changes;
    auto watcher = Mixer::open(0, [&](uint32_t id) { changes.push_back(id); });
    auto mixer = Mixer::open(0);
    const auto record = *mixer->destination(MixerComponent::kDestinationWaveIn);
    const MixerControl volume = mixer->source(record, 0)->controls.at(0);
    ASSERT_EQ(volume.type, MixerControlType::kVolume);

    std::vector<int32_t> values;
    ASSERT_TRUE(mixer->getValues(volume.id, values));
    EXPECT_EQ(values, std::vector<int32_t>{volume.maximum});
    EXPECT_FALSE(mixer->setValues(volume.id, {volume.maximum + 1}));
    EXPECT_FALSE(mixer->setValues(volume.id, {1, 2}));
    EXPECT_FALSE(mixer->setValues(999, {1}));
    EXPECT_TRUE(changes.empty());
    ASSERT_TRUE(mixer->setValues(volume.id, {1000}));
    mixer->getValues(volume.id, values);
    EXPECT_EQ(values, std::vector<int32_t>{1000});
    EXPECT_EQ(changes, std::vector<uint32_t>{volume.id});

    const MixerControl& mux = record.controls[0];
    EXPECT_FALSE(mixer->setValues(mux.id, {0, 0, 0})) << "a multiplexer needs one source";
    EXPECT_FALSE(mixer->setValues(mux.id, {1, 1, 0}));
    EXPECT_TRUE(mixer->setValues(mux.id, {0, 0, 1}));
    mixer->getValues(mux.id, values);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 0, 1}));
}

// Plays one buffer of a constant through the virtual speaker and returns what was written.
std::vector<int16_t> playConstant(int16_t value) {
    zemra::testing::TempDir dir;
    setenv("ZEMRA_AUDIO_OUT", (dir / "out.wav").c_str(), 1);
    std::mutex mutex;
    std::condition_variable done;
    bool played = false;
    {
        auto device = WaveOut::open(0, WaveFormat::pcm(8000, 1, 16), [&](WaveBuffer&) {
            std::lock_guard lock(mutex);
            played = true;
            done.notify_all();
        });
        std::array<int16_t, 320> samples;
        samples.fill(value);
        WaveBuffer buffer;
        buffer.data = reinterpret_cast<uint8_t*>(samples.data());
        buffer.bufferLength = 640;
        device->prepare(buffer);
        device->add(buffer);
        std::unique_lock lock(mutex);
        done.wait_for(lock, 5s, [&] { return played; });
        lock.unlock();
        device->close();
        EXPECT_EQ(samples[0], value) << "the caller's buffer is left alone";
    }
    auto out = readWavSamples(dir / "out.wav");
    setenv("ZEMRA_AUDIO_OUT", "null", 1);
    std::vector<int16_t> nonSilent;
    for (int16_t s : out.value_or(std::vector<int16_t>{})) {
        if (s != 0) nonSilent.push_back(s);
    }
    return nonSilent;
}

TEST_F(SoftMixerTest, SpeakerVolumeAndMuteActOnTheVirtualSpeaker) {
    EXPECT_EQ(playConstant(1000), std::vector<int16_t>(320, 1000));
    auto mixer = Mixer::open(0);
    const auto speakers = *mixer->destination(MixerComponent::kDestinationSpeakers);
    const auto wave = *mixer->source(speakers, 0);
    ASSERT_TRUE(mixer->setValues(wave.controls.at(0).id, {0x8000}));
    const auto half = playConstant(1000);
    ASSERT_EQ(half.size(), 320u);
    EXPECT_NEAR(half[0], 500, 1);
    ASSERT_EQ(wave.controls.at(1).type, MixerControlType::kMute);
    ASSERT_TRUE(mixer->setValues(wave.controls.at(1).id, {1}));
    EXPECT_TRUE(playConstant(1000).empty());
}

TEST_F(SoftMixerTest, TheRecordingSourceDecidesWhatTheMicrophoneHears) {
    EXPECT_DOUBLE_EQ(softMixerInputScale(), 1.0);
    auto mixer = Mixer::open(0);
    const auto record = *mixer->destination(MixerComponent::kDestinationWaveIn);
    ASSERT_TRUE(mixer->setValues(record.controls[0].id, {0, 0, 1}));
    EXPECT_DOUBLE_EQ(softMixerInputScale(), 0.0) << "line input has no sound here";
    ASSERT_TRUE(mixer->setValues(record.controls[0].id, {1, 0, 0}));
    ASSERT_TRUE(mixer->setValues(mixer->source(record, 0)->controls[0].id, {0xFFFF / 4}));
    EXPECT_NEAR(softMixerInputScale(), 0.25, 1e-4);
}

TEST(AlsaMixerTest, WithoutVirtualDevicesTheListFollowsTheSoundCards) {
    unsetenv("ZEMRA_AUDIO_IN");
    unsetenv("ZEMRA_AUDIO_OUT");
    // Whatever the machine has, every listed mixer opens and no wave device
    // points past the list.
    const unsigned count = Mixer::deviceCount();
    for (unsigned i = 0; i < count; ++i) EXPECT_NE(Mixer::open(i), nullptr);
    EXPECT_EQ(Mixer::open(count), nullptr);
    for (unsigned d = 0; d < WaveIn::deviceCount(); ++d) {
        if (auto m = Mixer::forWaveIn(d)) {
            EXPECT_LT(*m, count);
        }
    }
}

}  // namespace
}  // namespace zemra
