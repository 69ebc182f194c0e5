#include "platform/wave.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <numbers>

#include "platform/testing/crash_child.h"
#include "platform/testing/temp_dir.h"
#include "platform/wav_file.h"

namespace zemra {
namespace {

using zemra::testing::TempDir;
using namespace std::chrono_literals;

constexpr size_t kBytes = 640;

class WaveTest : public ::testing::Test {
  protected:
    void TearDown() override {
        unsetenv("ZEMRA_AUDIO_IN");
        unsetenv("ZEMRA_AUDIO_OUT");
    }
};

// Buffers handed back by a device, collected in order.
struct Collector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<uint8_t>> buffers;
    WaveDevice* device = nullptr;
    bool requeue = true;

    WaveDevice::Callback callback() {
        return [this](WaveBuffer& b) {
            {
                std::lock_guard lock(mutex);
                buffers.emplace_back(b.data, b.data + b.bytesRecorded);
                changed.notify_all();
            }
            if (requeue && device->unprepare(b) && device->prepare(b)) device->add(b);
        };
    }

    bool waitFor(size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return buffers.size() >= n; });
    }
};

std::vector<int16_t> samplesOf(const std::vector<std::vector<uint8_t>>& buffers) {
    std::vector<int16_t> out;
    for (const auto& b : buffers) {
        for (size_t i = 0; i + 1 < b.size(); i += 2) out.push_back(int16_t(b[i] | (b[i + 1] << 8)));
    }
    return out;
}

double amplitudeAt(const std::vector<int16_t>& s, double hz) {
    double re = 0, im = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        re += s[i] * std::cos(2 * std::numbers::pi * hz * i / 8000);
        im += s[i] * std::sin(2 * std::numbers::pi * hz * i / 8000);
    }
    return 2 * std::hypot(re, im) / s.size();
}

TEST_F(WaveTest, TheVirtualMicrophoneIsTheOnlyDeviceAndRecordsATone) {
    setenv("ZEMRA_AUDIO_IN", "tone:1000", 1);
    ASSERT_EQ(WaveIn::deviceCount(), 1u);
    EXPECT_EQ(WaveIn::deviceName(0), "virtual microphone (tone 1000 Hz)");
    EXPECT_EQ(WaveIn::deviceName(1), "");

    Collector collector;
    auto device = WaveIn::open(0, WaveFormat::pcm(8000, 1, 16), collector.callback());
    ASSERT_NE(device, nullptr);
    collector.device = device.get();
    std::array<std::array<uint8_t, kBytes>, 3> memory{};
    std::array<WaveBuffer, 3> buffers;
    for (size_t i = 0; i < 3; ++i) {
        buffers[i].data = memory[i].data();
        buffers[i].bufferLength = kBytes;
        ASSERT_TRUE(device->prepare(buffers[i]));
        ASSERT_TRUE(device->add(buffers[i]));
        EXPECT_FALSE(device->add(buffers[i])) << "queued twice";
        EXPECT_FALSE(device->unprepare(buffers[i])) << "unprepared while queued";
    }
    ASSERT_TRUE(device->start());
    ASSERT_TRUE(collector.waitFor(10));
    device->close();

    const auto samples = samplesOf(collector.buffers);
    ASSERT_GE(samples.size(), 3200u);
    for (const auto& b : collector.buffers) EXPECT_EQ(b.size(), kBytes);
    EXPECT_NEAR(amplitudeAt(samples, 1000), 32767 * 0.3162, 50);
    EXPECT_LT(amplitudeAt(samples, 1500), 50);
    // Closed: everything handed back, nothing queued.
    for (auto& b : buffers) EXPECT_FALSE(b.flags & WaveBuffer::kInQueue);
}

TEST_F(WaveTest, AWavFileIsRecordedInOrderThenSilence) {
    TempDir dir;
    std::vector<int16_t> input(800);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<int16_t>(i + 1);
    ASSERT_TRUE(writeWavSamples(dir / "in.wav", WaveFormat::pcm(8000, 1, 16), input));
    setenv("ZEMRA_AUDIO_IN", (dir / "in.wav").c_str(), 1);

    Collector collector;
    auto device = WaveIn::open(0, WaveFormat::pcm(8000, 1, 16), collector.callback());
    ASSERT_NE(device, nullptr);
    collector.device = device.get();
    std::array<std::array<uint8_t, kBytes>, 3> memory{};
    std::array<WaveBuffer, 3> buffers;
    for (size_t i = 0; i < 3; ++i) {
        buffers[i].data = memory[i].data();
        buffers[i].bufferLength = kBytes;
        device->prepare(buffers[i]);
        device->add(buffers[i]);
    }
    device->start();
    ASSERT_TRUE(collector.waitFor(4));
    device->close();
    const auto samples = samplesOf(collector.buffers);
    for (size_t i = 0; i < 1280; ++i) {
        ASSERT_EQ(samples[i], i < input.size() ? input[i] : 0) << "sample " << i;
    }
}

TEST_F(WaveTest, TheVirtualSpeakerWritesWhatIsPlayed) {
    TempDir dir;
    setenv("ZEMRA_AUDIO_OUT", (dir / "out.wav").c_str(), 1);
    ASSERT_EQ(WaveOut::deviceCount(), 1u);
    Collector collector;
    collector.requeue = false;
    auto device = WaveOut::open(0, WaveFormat::pcm(8000, 1, 16), collector.callback());
    ASSERT_NE(device, nullptr);
    collector.device = device.get();
    std::array<std::array<uint8_t, kBytes>, 3> memory{};
    std::array<WaveBuffer, 3> buffers;
    for (size_t i = 0; i < 3; ++i) {
        memory[i].fill(static_cast<uint8_t>(i + 1));
        buffers[i].data = memory[i].data();
        buffers[i].bufferLength = kBytes;
        device->prepare(buffers[i]);
        ASSERT_TRUE(device->add(buffers[i]));
    }
    ASSERT_TRUE(collector.waitFor(3));
    device->close();
    device.reset();

    const auto played = readWavSamples(dir / "out.wav");
    ASSERT_TRUE(played.has_value());
    // Possibly some silence before the first buffer arrived, then the three in order.
    std::vector<int16_t> expected;
    for (int i = 1; i <= 3; ++i) expected.insert(expected.end(), 320, int16_t(i * 0x101));
    const auto at = std::search(played->begin(), played->end(), expected.begin(), expected.end());
    EXPECT_NE(at, played->end());
    EXPECT_EQ((at - played->begin()) % 320, 0);
}

// The sound engines close what a client left open from their own static
// destructors, which run after the statics of whatever they call into.
TEST_F(WaveTest, ASpeakerLeftOpenUntilTheProgramExitsClosesCleanlyThen) {
    TempDir dir;
    setenv("ZEMRA_AUDIO_OUT", (dir / "out.wav").c_str(), 1);
    const int exitCode = zemra::testing::exitCodeOfChild([] {
        // Registered for the exit before the speaker's first use, as an
        // engine loaded with the program is.
        static std::unique_ptr<WaveOut> leftOpen;
        std::atexit([] { leftOpen.reset(); });
        leftOpen = WaveOut::open(0, WaveFormat::pcm(8000, 1, 16), [](WaveBuffer&) {});
        std::exit(leftOpen ? 0 : 2);
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(readWavSamples(dir / "out.wav").has_value());
}

TEST_F(WaveTest, ASecondSpeakerOnTheSameFileIsHeardNowhereAndLeavesTheFirstOneWriting) {
    TempDir dir;
    setenv("ZEMRA_AUDIO_OUT", (dir / "out.wav").c_str(), 1);
    Collector first;
    first.requeue = false;
    auto call = WaveOut::open(0, WaveFormat::pcm(8000, 1, 16), first.callback());
    ASSERT_NE(call, nullptr);
    first.device = call.get();
    // A notice sound opens the same speaker while the call plays: it goes
    // nowhere instead of starting the file over.
    Collector second;
    second.requeue = false;
    auto notice = WaveOut::open(0, WaveFormat::pcm(8000, 1, 16), second.callback());
    ASSERT_NE(notice, nullptr);
    second.device = notice.get();
    std::array<uint8_t, kBytes> noise{};
    noise.fill(0x7f);
    WaveBuffer noiseBuffer;
    noiseBuffer.data = noise.data();
    noiseBuffer.bufferLength = kBytes;
    notice->prepare(noiseBuffer);
    ASSERT_TRUE(notice->add(noiseBuffer));
    std::array<uint8_t, kBytes> voice{};
    voice.fill(0x11);
    WaveBuffer voiceBuffer;
    voiceBuffer.data = voice.data();
    voiceBuffer.bufferLength = kBytes;
    call->prepare(voiceBuffer);
    ASSERT_TRUE(call->add(voiceBuffer));
    ASSERT_TRUE(first.waitFor(1));
    ASSERT_TRUE(second.waitFor(1));
    notice->close();
    notice.reset();
    call->close();
    call.reset();

    const auto played = readWavSamples(dir / "out.wav");
    ASSERT_TRUE(played.has_value());
    EXPECT_NE(std::find(played->begin(), played->end(), int16_t(0x1111)), played->end());
    EXPECT_EQ(std::find(played->begin(), played->end(), int16_t(0x7f7f)), played->end());
}

TEST_F(WaveTest, ResetHandsEveryQueuedBufferBack) {
    setenv("ZEMRA_AUDIO_IN", "silence", 1);
    Collector collector;
    auto device = WaveIn::open(0, WaveFormat::pcm(8000, 1, 16), collector.callback());
    ASSERT_NE(device, nullptr);
    collector.device = device.get();
    std::array<uint8_t, kBytes> memory{};
    WaveBuffer buffer;
    buffer.data = memory.data();
    buffer.bufferLength = kBytes;
    EXPECT_FALSE(device->add(buffer)) << "not prepared";
    ASSERT_TRUE(device->prepare(buffer));
    ASSERT_TRUE(device->add(buffer));
    device->reset();
    EXPECT_TRUE(buffer.flags & WaveBuffer::kDone);
    EXPECT_TRUE(device->unprepare(buffer));
    EXPECT_TRUE(collector.buffers.empty());
}

TEST_F(WaveTest, BadSettingsAndDevicesFailToOpen) {
    const auto format = WaveFormat::pcm(8000, 1, 16);
    auto ignore = [](WaveBuffer&) {};
    std::string error;
    setenv("ZEMRA_AUDIO_IN", "tone:abc", 1);
    EXPECT_EQ(WaveIn::open(0, format, ignore, &error), nullptr);
    EXPECT_NE(error.find("tone"), std::string::npos);
    setenv("ZEMRA_AUDIO_IN", "tone:5000", 1);  // above what 8000 Hz can carry
    EXPECT_EQ(WaveIn::open(0, format, ignore), nullptr);
    setenv("ZEMRA_AUDIO_IN", "/no/such/file.wav", 1);
    EXPECT_EQ(WaveIn::open(0, format, ignore), nullptr);
    setenv("ZEMRA_AUDIO_IN", "silence", 1);
    EXPECT_EQ(WaveIn::open(1, format, ignore), nullptr);
    EXPECT_EQ(WaveIn::open(0, WaveFormat::pcm(8000, 1, 8), ignore), nullptr);

    TempDir dir;
    ASSERT_TRUE(writeWavSamples(dir / "fast.wav", WaveFormat::pcm(44100, 1, 16), {{1, 2}}));
    setenv("ZEMRA_AUDIO_IN", (dir / "fast.wav").c_str(), 1);
    EXPECT_EQ(WaveIn::open(0, format, ignore), nullptr) << "rate differs from the device's";

    setenv("ZEMRA_AUDIO_OUT", "/no/such/dir/out.wav", 1);
    EXPECT_EQ(WaveOut::open(0, format, ignore), nullptr);
    setenv("ZEMRA_AUDIO_OUT", "null", 1);
    EXPECT_EQ(WaveOut::deviceName(0), "virtual speaker (null)");
    EXPECT_NE(WaveOut::open(0, format, ignore), nullptr);
}

}  // namespace
}  // namespace zemra
