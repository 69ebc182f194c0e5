#include "platform/sound.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <algorithm>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/testing/temp_dir.h"
#include "platform/wav_file.h"

namespace zemra::sound {
namespace {

using namespace std::chrono_literals;

class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ZEMRA_AUDIO_OUT", (dir / "speaker.wav").c_str(), 1);
        std::vector<int16_t> tone(2400);  // 0.3 s at 8000 Hz
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / 8000.0));
        }
        ASSERT_TRUE(writeWavSamples(dir / "tone.wav", WaveFormat::pcm(8000, 1, 16), tone));
    }
    void TearDown() override {
        stop();
        unsetenv("ZEMRA_AUDIO_OUT");
    }

    static bool waitWhilePlaying(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (playing()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    testing::TempDir dir;
};

TEST_F(SoundTest, AToneIsPlayedOnceWhole) {
    ASSERT_TRUE(play(dir / "tone.wav"));
    EXPECT_TRUE(playing());
    ASSERT_TRUE(waitWhilePlaying(3s));
    stop();  // closes the device, which completes the speaker's file
    const auto played = readWavSamples(dir / "speaker.wav");
    ASSERT_TRUE(played);
    ASSERT_GE(played->size(), 2400u);
    // The tone itself, sample for sample, after whatever silence the
    // speaker played before the first buffer came (the tone starts at 0).
    const auto first =
        std::find_if(played->begin(), played->end(), [](int16_t v) { return v != 0; });
    ASSERT_NE(first, played->end());
    const std::size_t start = static_cast<std::size_t>(first - played->begin()) - 1;
    ASSERT_GE(played->size(), start + 21);
    EXPECT_EQ(played->at(start + 20),
              static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * 20 / 8000.0)));
}

TEST_F(SoundTest, ALoopPlaysUntilStoppedAndANewSoundReplacesIt) {
    ASSERT_TRUE(play(dir / "tone.wav", /*loop=*/true));
    std::this_thread::sleep_for(600ms);  // twice the tone's length
    EXPECT_TRUE(playing());
    ASSERT_TRUE(play(dir / "tone.wav"));  // replaces the loop
    ASSERT_TRUE(waitWhilePlaying(3s));
    stop();
    EXPECT_FALSE(playing());
}

TEST_F(SoundTest, FilesThatAreNotSoundPlayNothing) {
    EXPECT_FALSE(play(dir / "missing.wav"));
    testing::writeFile(dir / "junk.wav", "RIFF\x10\0\0\0WAVEjunk");
    EXPECT_FALSE(play(dir / "junk.wav"));
    EXPECT_FALSE(playing());
}

}  // namespace
}  // namespace zemra::sound
