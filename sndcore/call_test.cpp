// Two engines in one call over loopback, each with its own socket and its
// own virtual devices: what is spoken into one is heard from the other.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "platform/testing/temp_dir.h"
#include "platform/wav_file.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"

namespace zemra::snd {
namespace {

using namespace std::chrono_literals;
using testing::EngineInstance;
using testing::ScopedEnv;
using testing::UdpSocket;

constexpr double kInputAmplitude = 32767 * 0.31622776601683794;  // the virtual tone, -10 dBFS

TEST(CallTest, AToneSpokenIntoOneEngineIsHeardFromTheOtherAtItsPitchAndLevel) {
    zemra::testing::TempDir dir;
    testing::MessageLog log;
    UdpSocket aliceSocket("127.0.0.2"), bobSocket("127.0.0.3");
    EngineInstance alice, bob;
    constexpr uint32_t kAlice = 1001, kBob = 1002;
    {
        ScopedEnv in("ZEMRA_AUDIO_IN", "tone:1000");
        ScopedEnv out("ZEMRA_AUDIO_OUT", "null");
        ASSERT_EQ(alice->INPUT0(0, kAlice, 1), 1);
        ASSERT_EQ(alice->INPUT14(0), 1);
    }
    {
        ScopedEnv in("ZEMRA_AUDIO_IN", "silence");
        ScopedEnv out("ZEMRA_AUDIO_OUT", (dir / "bob.wav").string());
        ASSERT_EQ(bob->INPUT0(0, kBob, 2), 1);
        ASSERT_EQ(bob->INPUT14(0), 1);
    }
    // As the client does at start and when the call connects.
    alice->INPUT2(1);
    bob->INPUT2(1);
    ASSERT_EQ(alice->INPUT3(kBob, long(bobSocket.address()), bobSocket.port(),
                            unsigned(aliceSocket.fd()), 1),
              1);
    ASSERT_EQ(bob->INPUT3(kAlice, long(aliceSocket.address()), aliceSocket.port(),
                          unsigned(bobSocket.fd()), 2),
              1);
    alice->INPUT2(0);
    bob->INPUT2(0);
    std::this_thread::sleep_for(2500ms);
    bob->INPUT5();
    alice->INPUT5();
    bob->INPUT15();

    const auto heard = readWavSamples(dir / "bob.wav");
    ASSERT_TRUE(heard.has_value());
    ASSERT_GT(heard->size(), 16000u);
    // The last second and a half: past the start of the call, before its end.
    const size_t from = heard->size() - 14000;
    const std::span<const int16_t> steady(heard->data() + from, 12000);
    EXPECT_NEAR(testing::dominantFrequency(steady, 8000, 5), 1000, 5);
    const double amplitude = testing::toneAmplitude(steady, 1000, 8000);
    const double db = 20 * std::log10(amplitude / kInputAmplitude);
    EXPECT_LT(std::abs(db), 3.0) << "output amplitude " << amplitude;
    RecordProperty("level_change_db", std::to_string(db));
    // Nothing else of note in the spectrum.
    EXPECT_LT(testing::toneAmplitude(steady, 2000, 8000), amplitude / 30);
    EXPECT_LT(testing::toneAmplitude(steady, 500, 8000), amplitude / 30);
}

}  // namespace
}  // namespace zemra::snd
