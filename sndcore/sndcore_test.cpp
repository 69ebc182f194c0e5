// The engine driven through its exports as the client drives it: real UDP
// sockets on loopback, the virtual sound devices, a fresh engine per test.
#include "include/sndcore.h"

#include <gtest/gtest.h>

#include <list>
#include <thread>

#include "platform/avi_file.h"
#include "platform/avi_file_handles.h"
#include "platform/byte_order.h"
#include "platform/testing/temp_dir.h"
#include "platform/wav_file.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"

namespace zemra::snd {
namespace {

using namespace std::chrono_literals;
using testing::EngineInstance;
using testing::MessageLog;
using testing::ScopedEnv;
using testing::UdpSocket;
using Box = std::pair<std::string, std::string>;

constexpr uintptr_t kWindow = 0x5150;
constexpr uint32_t kOwnId = 0x01020304;
const Box kMissingCodec = {"语音库加载失败,请检查安装程序", "声音"};
// The virtual microphone's tone: 1 kHz at -10 dBFS.
constexpr double kToneAmplitude = 32767 * 0.31622776601683794;

uint16_t sequenceOf(const std::vector<uint8_t>& d) {
    return uint16_t((d[2] << 8) | d[3]);
}
uint32_t timestampOf(const std::vector<uint8_t>& d) {
    return (uint32_t(d[4]) << 24) | (uint32_t(d[5]) << 16) | (uint32_t(d[6]) << 8) | d[7];
}

std::vector<uint8_t> datagram(uint32_t timestamp, uint32_t source,
                              const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> d = {0x02,
                              0x24,
                              0,
                              1,
                              uint8_t(timestamp >> 24),
                              uint8_t(timestamp >> 16),
                              uint8_t(timestamp >> 8),
                              uint8_t(timestamp),
                              0,
                              0,
                              0,
                              0};
    putLe32(d.data() + 8, source);
    d.resize(12 + payload.size());
    std::copy(payload.begin(), payload.end(), d.begin() + 12);
    return d;
}

class SndcoreTest : public ::testing::Test {
  protected:
    int addPeer(uint32_t id, const UdpSocket& engineSide, const UdpSocket& remote) {
        return (*engine_)->INPUT3(id, long(remote.address()), remote.port(),
                                  unsigned(engineSide.fd()), kWindow);
    }

    std::vector<std::vector<uint8_t>> receive(const UdpSocket& socket, size_t n) {
        std::vector<std::vector<uint8_t>> out;
        while (out.size() < n) {
            auto d = socket.receive(2s);
            if (!d) break;
            out.push_back(std::move(*d));
        }
        return out;
    }

    std::vector<uintptr_t> levels(intptr_t lParam) {
        std::vector<uintptr_t> out;
        for (const auto& m : log_.posted()) {
            if (m.message == WM_AUDIO_LEVEL && m.lParam == lParam) {
                EXPECT_EQ(m.window, kWindow);
                out.push_back(m.wParam);
            }
        }
        return out;
    }

    void load(bool withCodecs = true) { engine_ = std::make_unique<EngineInstance>(withCodecs); }

    // Sockets outlive the engine, as the client's do: it removes the parties first.
    const UdpSocket& socket(const char* address) { return sockets_.emplace_back(address); }

    ScopedEnv in_{"ZEMRA_AUDIO_IN", "tone:1000"};
    ScopedEnv out_{"ZEMRA_AUDIO_OUT", "null"};
    MessageLog log_;
    std::list<UdpSocket> sockets_;
    std::unique_ptr<EngineInstance> engine_;
};

TEST_F(SndcoreTest, PacketsCarryTheHeaderBitsAndCountOnWhileMuted) {
    load();
    const UdpSocket& own = socket("127.0.0.1");
    const UdpSocket& remote = socket("127.0.0.2");
    ASSERT_EQ(addPeer(7, own, remote), 1);
    ASSERT_EQ((*engine_)->INPUT0(0, kOwnId, kWindow), 1);
    auto packets = receive(remote, 6);
    ASSERT_EQ(packets.size(), 6u);
    (*engine_)->INPUT2(1);
    std::this_thread::sleep_for(60ms);  // a buffer in flight may still be coded
    remote.drain();
    auto muted = receive(remote, 4);
    ASSERT_EQ(muted.size(), 4u);

    EXPECT_LT(sequenceOf(packets[0]), 32768);
    for (size_t i = 0; i < packets.size(); ++i) {
        const auto& d = packets[i];
        ASSERT_EQ(d.size(), 52u);
        EXPECT_EQ(d[0], 0x02);
        EXPECT_EQ(d[1], 0x24);
        EXPECT_EQ(getLe32(d.data() + 8), kOwnId);
        EXPECT_EQ(timestampOf(d), 40 * i) << "the first packet has time stamp 0";
        EXPECT_EQ(sequenceOf(d), uint16_t(sequenceOf(packets[0]) + i));
    }
    for (size_t i = 0; i < muted.size(); ++i) {
        ASSERT_EQ(muted[i].size(), 12u);
        EXPECT_TRUE(std::equal(muted[i].begin(), muted[i].begin() + 2, packets[0].begin()));
        EXPECT_EQ(getLe32(muted[i].data() + 8), kOwnId);
        if (i > 0) {
            EXPECT_EQ(sequenceOf(muted[i]), uint16_t(sequenceOf(muted[i - 1]) + 1));
            EXPECT_EQ(timestampOf(muted[i]), timestampOf(muted[i - 1]) + 40);
        }
    }
    // Muted packets go on counting from where the coded ones stopped.
    const uint32_t gap = timestampOf(muted[0]) - timestampOf(packets.back());
    EXPECT_EQ(uint16_t(sequenceOf(muted[0]) - sequenceOf(packets.back())), gap / 40);

    // The microphone's meter: the tone's level every buffer, 0 once muted.
    const auto mic = levels(0);
    ASSERT_GE(mic.size(), 10u);
    const auto tone = testing::sinePcm(320, 1000, kToneAmplitude, 8000);
    uint64_t sum = 0;
    for (size_t i = 0; i < 320; ++i) sum += std::abs(int16_t(getLe16(tone.data() + 2 * i)));
    EXPECT_NEAR(double(mic[2]), double(sum / 320), 2);
    EXPECT_EQ(mic.back(), 0u);
}

TEST_F(SndcoreTest, TwoPartiesGetTheSameDatagramsExceptTheSendMutedOne) {
    load();
    const UdpSocket& own1 = socket("127.0.0.1");
    const UdpSocket& own2 = socket("127.0.0.1");
    const UdpSocket& remote1 = socket("127.0.0.2");
    const UdpSocket& remote2 = socket("127.0.0.3");
    ASSERT_EQ(addPeer(11, own1, remote1), 1);
    ASSERT_EQ(addPeer(12, own2, remote2), 1);
    (*engine_)->INPUT6(12, 1);
    ASSERT_EQ((*engine_)->INPUT0(0, kOwnId, kWindow), 1);
    const auto full = receive(remote1, 5);
    const auto cut = receive(remote2, 5);
    ASSERT_EQ(full.size(), 5u);
    ASSERT_EQ(cut.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(full[i].size(), 52u);
        EXPECT_EQ(cut[i], std::vector<uint8_t>(full[i].begin(), full[i].begin() + 12));
    }
    (*engine_)->INPUT6(12, 0);
    std::this_thread::sleep_for(60ms);
    remote1.drain();
    remote2.drain();
    const auto a = receive(remote1, 3), b = receive(remote2, 3);
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    // Same packets, byte for byte (allowing one to have started a packet later).
    const auto match = std::find(b.begin(), b.end(), a[1]);
    EXPECT_NE(match, b.end());
}

TEST_F(SndcoreTest, SixteenPartiesAndTheFlagsOfTheInterface) {
    load();
    EXPECT_EQ((*engine_)->INPUT13(), 0);
    // The virtual devices are the only ones.
    EXPECT_EQ((*engine_)->INPUT0(1, kOwnId, kWindow), 0);
    EXPECT_EQ((*engine_)->INPUT14(1), 0);
    (*engine_)->INPUT12(1);
    EXPECT_EQ((*engine_)->INPUT13(), 1);
    (*engine_)->INPUT12(0);
    EXPECT_EQ((*engine_)->INPUT13(), 0);

    const UdpSocket& remote = socket("127.0.0.2");
    std::vector<const UdpSocket*> sockets;
    for (uint32_t id = 1; id <= 16; ++id) {
        sockets.push_back(&socket("127.0.0.1"));
        ASSERT_EQ(addPeer(id, *sockets.back(), remote), 1) << id;
    }
    const UdpSocket& extra = socket("127.0.0.1");
    EXPECT_EQ(addPeer(17, extra, remote), 0);
    EXPECT_EQ(addPeer(5, extra, remote), 0);
    EXPECT_EQ((*engine_)->INPUT4(99), 0);
    (*engine_)->INPUT8(5, 1);
    (*engine_)->INPUT9(5, 0, 0, 0);
    EXPECT_EQ((*engine_)->INPUT13(), 0);
    EXPECT_EQ((*engine_)->INPUT4(5), 1);
    EXPECT_EQ((*engine_)->INPUT4(5), 0);
    EXPECT_EQ(addPeer(17, extra, remote), 1);
    (*engine_)->INPUT5();
    (*engine_)->INPUT5();
    EXPECT_EQ((*engine_)->INPUT4(1), 0);
    EXPECT_TRUE(log_.boxes().empty());
}

TEST_F(SndcoreTest, ThePartyBeyondSixteenCodecUsersHearsNothing) {
    load();
    testing::TestCoder coder;
    const UdpSocket& remote = socket("127.0.0.2");
    std::vector<const UdpSocket*> sockets;
    // The microphone holds the first codec; parties 1 to 15 the others.
    for (uint32_t id = 1; id <= 16; ++id) {
        sockets.push_back(&socket("127.0.0.1"));
        ASSERT_EQ(addPeer(id, *sockets.back(), remote), 1);
    }
    const UdpSocket& fifteenth = *sockets[14];
    const UdpSocket& sixteenth = *sockets[15];
    for (uint32_t i = 0; i < 8; ++i) {
        const auto payload = coder.encode(testing::sinePcm(320, 700, 9000, 8000, i * 320));
        remote.sendTo(fifteenth, datagram(40 * i, 15, payload));
        remote.sendTo(sixteenth, datagram(40 * i, 16, payload));
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(log_.waitUntil(
        [](const auto& posted) {
            return std::count_if(posted.begin(), posted.end(),
                                 [](const auto& m) { return m.lParam == 15 && m.wParam > 0; }) >= 8;
        },
        3s));
    std::this_thread::sleep_for(200ms);
    const auto heard = levels(16);
    EXPECT_FALSE(heard.empty());
    for (uintptr_t level : heard) EXPECT_EQ(level, 0u);
    EXPECT_TRUE(log_.boxes().empty());
}

TEST_F(SndcoreTest, AMissingCodecLibraryIsReportedAndOnlyMutedPacketsLeave) {
    load(false);
    EXPECT_EQ(log_.boxes(), std::vector<Box>{kMissingCodec}) << "reported as the engine loads";
    const UdpSocket& own = socket("127.0.0.1");
    const UdpSocket& remote = socket("127.0.0.2");
    ASSERT_EQ(addPeer(7, own, remote), 1);
    EXPECT_EQ(log_.boxes(), (std::vector<Box>{kMissingCodec, kMissingCodec}));
    ASSERT_EQ((*engine_)->INPUT0(0, kOwnId, kWindow), 1);
    EXPECT_FALSE(remote.receive(300ms).has_value());
    ASSERT_FALSE(levels(0).empty());
    EXPECT_GT(levels(0).back(), 0u) << "the meter still moves";
    (*engine_)->INPUT2(1);
    const auto muted = receive(remote, 2);
    ASSERT_EQ(muted.size(), 2u);
    EXPECT_EQ(muted[0].size(), 12u);
}

TEST_F(SndcoreTest, AMutedSpeakerKeepsTheNewest400Milliseconds) {
    zemra::testing::TempDir dir;
    ScopedEnv out("ZEMRA_AUDIO_OUT", (dir / "out.wav").string());
    load();
    testing::TestCoder coder;
    const UdpSocket& own = socket("127.0.0.1");
    const UdpSocket& remote = socket("127.0.0.2");
    ASSERT_EQ((*engine_)->INPUT14(0), 1);
    (*engine_)->INPUT16(1);
    ASSERT_EQ(addPeer(7, own, remote), 1);
    // 1.6 s at 500 Hz, then 400 ms at 1 kHz, while the speaker is muted.
    for (uint32_t i = 0; i < 50; ++i) {
        const double hz = i < 40 ? 500 : 1000;
        remote.sendTo(
            own, datagram(40 * i, 7, coder.encode(testing::sinePcm(320, hz, 9000, 8000, i * 320))));
        if (i % 5 == 4) std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(log_.waitUntil(
        [&](const auto&) {
            const auto heard = levels(7);
            return std::count_if(heard.begin(), heard.end(), [](auto l) { return l > 0; }) >= 50;
        },
        3s));
    (*engine_)->INPUT16(0);
    std::this_thread::sleep_for(900ms);
    (*engine_)->INPUT15();

    const auto played = readWavSamples(dir / "out.wav");
    ASSERT_TRUE(played.has_value());
    int high = 0, low = 0;
    // Buffers are played whole, so each 40-ms window of the file is one packet.
    for (size_t at = 0; at + 320 <= played->size(); at += 320) {
        const std::span<const int16_t> window(played->data() + at, 320);
        if (testing::toneAmplitude(window, 1000, 8000) > 3000) ++high;
        if (testing::toneAmplitude(window, 500, 8000) > 3000) ++low;
    }
    // The last ten packets, give or take the codec settling on the new pitch.
    EXPECT_GE(high, 9);
    EXPECT_LE(high, 10);
    EXPECT_LE(low, 1) << "the older sound was dropped";
}

TEST_F(SndcoreTest, ARecordingIsAnAudioStreamThatReopeningExtends) {
    zemra::testing::TempDir dir;
    load();
    ASSERT_EQ((*engine_)->INPUT14(0), 1);
    ASSERT_EQ((*engine_)->INPUT0(0, kOwnId, kWindow), 1);
    EXPECT_EQ((*engine_)->INPUT10(nullptr), 0);
    const auto path = dir / "call.avi";
    double first = 0;
    {
        std::shared_ptr<AviFile> file = AviFile::open(path, AviFile::Mode::kCreate);
        void* handle = AviFileHandles::publish(file);
        ASSERT_EQ((*engine_)->INPUT10(handle), 1);
        std::this_thread::sleep_for(1300ms);
        (*engine_)->INPUT11();
        AviStream* audio = file->stream(kAviStreamAudio);
        ASSERT_NE(audio, nullptr);
        first = audio->length() / 8000.0;
        EXPECT_GT(first, 1.1);
        EXPECT_LT(first, 1.6);
        // The microphone's tone is in the recording.
        std::vector<int16_t> samples;
        std::vector<uint8_t> chunk;
        for (size_t i = 0; audio->readChunk(i, chunk); ++i) {
            const auto* s = reinterpret_cast<const int16_t*>(chunk.data());
            samples.insert(samples.end(), s, s + chunk.size() / 2);
        }
        ASSERT_GT(samples.size(), 8000u);
        EXPECT_NEAR(testing::dominantFrequency(samples, 8000, 10), 1000, 10);
        ASSERT_TRUE(file->close());
    }
    auto streams = testing::probeStreams(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0]["codec_type"], "audio");
    EXPECT_EQ(streams[0]["codec_name"], "pcm_s16le");
    EXPECT_EQ(streams[0]["sample_rate"], "8000");
    EXPECT_EQ(streams[0]["channels"], "1");
    EXPECT_EQ(streams[0]["bits_per_sample"], "16");
    EXPECT_NEAR(std::stod(streams[0]["duration"]), first, 0.001);

    {
        std::shared_ptr<AviFile> file = AviFile::open(path, AviFile::Mode::kReadWrite);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ((*engine_)->INPUT10(AviFileHandles::publish(file)), 1);
        std::this_thread::sleep_for(700ms);
        (*engine_)->INPUT11();
    }
    streams = testing::probeStreams(path);
    ASSERT_EQ(streams.size(), 1u) << "appended to the same stream";
    const double total = std::stod(streams[0]["duration"]);
    EXPECT_GT(total, first + 0.5);
    EXPECT_LT(total, first + 1.0);
}

}  // namespace
}  // namespace zemra::snd
