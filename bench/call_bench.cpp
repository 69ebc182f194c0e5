// A whole call as the client carries it: CallMedia over the real engine
// libraries, the device test's self-call (the partner is the own ID at
// 127.0.0.1 and the own two bound UDP sockets), virtual sound devices and
// the test camera of the platform layer.
//
// Mouth-to-ear delay: designed as 240 ms (one capture buffer, two packets
// of jitter list, three output buffers), as the audio engine measures alone.
// Glass-to-glass delay at 352 x 288, 24 frames/s: goal under 100 ms on
// loopback. CPU of a client in a call: goal under 15% of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <numeric>
#include <vector>

#include "client/media/call_media.h"
#include "platform/capture_test_camera.h"
#include "platform/process_clock.h"
#include "platform/testing/temp_dir.h"
#include "platform/wav_file.h"
#include "platform/winmsg.h"
#include "sndcore/testing/sound_test_support.h"
#include "vidcore/testing/udp_socket.h"

namespace zemra::client {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint32_t kOwnId = 90001;
constexpr WindowHandle kPreview = 0x7001, kRemote = 0x7002, kLevels = 0x7003;
constexpr double kRate = 8000;  // the audio engine's sample rate

// The main window's part: messages go to stderr, the trace file stays closed,
// and the virtual devices have their soft mixer controls.
struct BenchPort : CallMediaPort {
    void mediaMessage(const std::string& text) override {
        std::fprintf(stderr, "media: %s\n", text.c_str());
    }
    store::TraceLog& trace() override { return trace_; }
    VolumeSetUp setUpVolumeControls(unsigned, unsigned) override { return {true, true}; }
    store::TraceLog trace_;
};

// The engine libraries, with the moment each sound device starts taken
// as the middle of the time its open took. Everything else passes through.
class TimedEngines : public MediaEngines {
  public:
    Clock::time_point microphoneStart, speakerStart;

    std::vector<std::string> cameraNames() override { return real_->cameraNames(); }
    std::vector<std::string> microphoneNames() override { return real_->microphoneNames(); }
    std::vector<std::string> speakerNames() override { return real_->speakerNames(); }
    bool startCapture(CaptureBackEnd b, WindowHandle w, MediaRect r, int size, int dev) override {
        return real_->startCapture(b, w, r, size, dev);
    }
    void stopCapture(CaptureBackEnd b) override { real_->stopCapture(b); }
    void startSending(CaptureBackEnd b, uint32_t id) override { real_->startSending(b, id); }
    void stopSending(CaptureBackEnd b) override { real_->stopSending(b); }
    void setFrameRate(unsigned fps) override { real_->setFrameRate(fps); }
    bool addVideoPeer(uint32_t id, int socket, uint32_t address, uint16_t port, WindowHandle w,
                      MediaRect r, bool show) override {
        return real_->addVideoPeer(id, socket, address, port, w, r, show);
    }
    void placeVideo(uint32_t id, WindowHandle w, MediaRect r, bool show) override {
        real_->placeVideo(id, w, r, show);
    }
    void removeVideoPeers() override { real_->removeVideoPeers(); }
    bool openMicrophone(unsigned device, uint32_t id, WindowHandle w) override {
        const auto before = Clock::now();
        const bool opened = real_->openMicrophone(device, id, w);
        microphoneStart = before + (Clock::now() - before) / 2;
        return opened;
    }
    void closeMicrophone() override { real_->closeMicrophone(); }
    void muteMicrophone(bool muted) override { real_->muteMicrophone(muted); }
    bool openSpeaker(unsigned device) override {
        const auto before = Clock::now();
        const bool opened = real_->openSpeaker(device);
        speakerStart = before + (Clock::now() - before) / 2;
        return opened;
    }
    void closeSpeaker() override { real_->closeSpeaker(); }
    void muteSpeaker(bool muted) override { real_->muteSpeaker(muted); }
    void automaticGain(bool on) override { real_->automaticGain(on); }
    bool addAudioPeer(uint32_t id, uint32_t address, uint16_t port, int socket,
                      WindowHandle w) override {
        return real_->addAudioPeer(id, address, port, socket, w);
    }
    void removeAudioPeers() override { real_->removeAudioPeers(); }
    bool startRecording(const std::filesystem::path& file) override {
        return real_->startRecording(file);
    }
    void stopRecording() override { real_->stopRecording(); }

  private:
    std::unique_ptr<MediaEngines> real_ = makeEngineLibraries();
};

// Runs the Qt event loop (CallMedia's timers) for a while.
void pumpEvents(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// The device test: devices opened as after the login (microphone `in`,
// speaker `out`), then the call to oneself connected. Ends with the devices
// released as at exit.
class SelfCall {
  public:
    SelfCall(const std::string& in, const std::string& out) {
        setenv("ZEMRA_AUDIO_IN", in.c_str(), 1);
        setenv("ZEMRA_AUDIO_OUT", out.c_str(), 1);
        MediaChoice choice;
        choice.largePicture = true;  // 352 x 288
        choice.frameRate = 24;
        const MediaWindows windows{
            kPreview, {216, 58, 176, 144}, kRemote, {0, 0, 352, 288}, kLevels};
        media_.openDevices(choice, kOwnId, windows);
        if (!media_.videoAvailable() || !media_.audioAvailable()) return;
        const ConnectedCall call{kOwnId, "myself", video_.address(), video_.port(), audio_.port()};
        media_.callConnected(call, video_.fd(), audio_.fd());
    }
    ~SelfCall() { media_.releaseDevices(); }

    bool connected() const { return media_.inCall(); }
    bool sending() const { return media_.sendingStarted(); }
    const TimedEngines& engines() const { return engines_; }

  private:
    TimedEngines engines_;
    BenchPort port_;
    CallMedia media_{engines_, port_};
    vid::testing::UdpSocket video_{"127.0.0.1"}, audio_{"127.0.0.1"};
};

template <typename T>
double mean(const std::vector<T>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

// 20-ms bursts of 1 kHz every half second into the microphone, from 1.2 s on
// (well after the call has connected and the microphone is on). Both devices
// keep real time from their start, so a sample's time is its device's start
// plus its index over the rate; the starts are taken around each open. The
// client opens the speaker right after the microphone, so their 40-ms
// buffer clocks run nearly in phase: the delay sits at one phase of the
// range the audio engine's own bench steps through.
void BM_MouthToEarDelay(benchmark::State& state) {
    constexpr size_t kFirst = 9600, kEvery = 4000, kBursts = 8, kBurstSamples = 160;
    zemra::testing::TempDir dir;
    std::vector<int16_t> input(kFirst + kEvery * kBursts, 0);
    std::vector<size_t> spoken;
    for (size_t b = 0; b < kBursts; ++b) {
        const size_t at = kFirst + b * kEvery + b * 37;  // at different places in the buffers
        spoken.push_back(at);
        for (size_t i = 0; i < kBurstSamples; ++i) {
            input[at + i] = int16_t(16000 * std::sin(2 * std::numbers::pi * 1000 * i / kRate));
        }
    }
    writeWavSamples(dir / "in.wav", WaveFormat::pcm(8000, 1, 16), input);

    std::vector<double> delays;
    double offsetSumMs = 0;
    int callNumber = 0;
    for (auto _ : state) {
        const auto out = dir / ("out" + std::to_string(callNumber++) + ".wav");
        double offsetMs = 0;
        {
            SelfCall call((dir / "in.wav").string(), out.string());
            if (!call.connected()) return state.SkipWithError("the call did not connect");
            pumpEvents(std::chrono::milliseconds(int(1000 * input.size() / kRate) + 600));
            offsetMs = std::chrono::duration<double, std::milli>(call.engines().speakerStart -
                                                                 call.engines().microphoneStart)
                           .count();
        }
        const auto heard = readWavSamples(out).value_or(std::vector<int16_t>{});
        const auto found = snd::testing::burstOnsets(heard, 3000, 1600);
        if (found.size() != kBursts) return state.SkipWithError("bursts lost on the way");
        offsetSumMs += offsetMs;
        for (size_t b = 0; b < kBursts; ++b) {
            delays.push_back(offsetMs + 1000 * (double(found[b]) - double(spoken[b])) / kRate);
        }
    }
    state.counters["delay_ms"] = mean(delays);
    state.counters["min_ms"] = *std::min_element(delays.begin(), delays.end());
    state.counters["max_ms"] = *std::max_element(delays.begin(), delays.end());
    state.counters["design_ms"] = 240;
    // Speaker start after microphone start, the alignment added above.
    state.counters["device_offset_ms"] = offsetSumMs / double(callNumber);
}
BENCHMARK(BM_MouthToEarDelay)->Iterations(3)->Unit(benchmark::kMillisecond);

// The partner window's pictures: the age of each against the stamp the
// test camera put on it when it made it.
struct PictureAges {
    std::mutex mutex;
    std::vector<uint32_t> agesMs;
    size_t unreadable = 0;

    static void onPicture(uintptr_t window, int, int, int, int, const uint8_t* header,
                          const void* bits, void* self) {
        const uint32_t now = processClockMs();
        auto* ages = static_cast<PictureAges*>(self);
        const auto format = BitmapInfoHeader::readFrom({header, BitmapInfoHeader::kSize});
        if (window != kRemote || !format) return;
        std::optional<TestPatternStamp> stamp;
        if (format->bitCount == 24 && format->compression == 0 && format->width == 352 &&
            format->height == 288) {
            stamp = readTestPatternStamp(static_cast<const uint8_t*>(bits), 352, 288);
        }
        std::lock_guard lock(ages->mutex);
        if (stamp) {
            ages->agesMs.push_back(now - stamp->clockMs);
        } else {
            ++ages->unreadable;
        }
    }
};

// From the test camera making a picture to the decoded picture handed to the
// partner window: capture, coding, loopback UDP, reassembly and decoding.
// The first second after sending starts (key frame, rate finding) is left out.
void BM_GlassToGlassDelay(benchmark::State& state) {
    PictureAges ages;
    size_t pictures = 0;
    for (auto _ : state) {
        SelfCall call("tone:440", "null");
        if (!call.connected()) return state.SkipWithError("the call did not connect");
        pumpEvents(std::chrono::milliseconds(CallMedia::kStartSendingMs + 1000));
        if (!call.sending()) return state.SkipWithError("video sending did not start");
        zemra_set_picture_sink(&PictureAges::onPicture, &ages);
        pumpEvents(4s);
        zemra_set_picture_sink(nullptr, nullptr);
        pictures = ages.agesMs.size();
    }
    if (pictures == 0) return state.SkipWithError("no picture arrived");
    std::vector<uint32_t>& a = ages.agesMs;
    std::sort(a.begin(), a.end());
    state.counters["mean_ms"] = mean(a);
    state.counters["p95_ms"] = a[std::min(a.size() - 1, a.size() * 95 / 100)];
    state.counters["max_ms"] = a.back();
    state.counters["frames_per_s"] = double(a.size()) / 4.0;
    state.counters["unreadable"] = double(ages.unreadable);
}
BENCHMARK(BM_GlassToGlassDelay)->Iterations(1)->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time of the whole process over 10 s of a call with pictures going both
// ways, as a share of one core. The self-call does exactly one client's
// sending and receiving work: one capture, coding and sending stream per
// medium, one receiving and decoding stream per medium. The partner's
// pictures are copied out as the client's window sink does; painting them
// on screen is not counted.
void BM_ClientCpuInCall(benchmark::State& state) {
    static std::vector<uint8_t> copy;
    const auto copyPicture = [](uintptr_t window, int, int, int, int, const uint8_t* header,
                                const void* bits, void*) {
        const auto format = BitmapInfoHeader::readFrom({header, BitmapInfoHeader::kSize});
        if (window != kRemote || !format || format->compression != 0) return;
        const auto* b = static_cast<const uint8_t*>(bits);
        copy.assign(b, b + format->imageBytes());
    };
    double percent = 0;
    for (auto _ : state) {
        SelfCall call("tone:440", "null");
        if (!call.connected()) return state.SkipWithError("the call did not connect");
        zemra_set_picture_sink(copyPicture, nullptr);
        pumpEvents(std::chrono::milliseconds(CallMedia::kStartSendingMs + 1000));
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = Clock::now();
        pumpEvents(10s);
        const double cpu = processCpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        zemra_set_picture_sink(nullptr, nullptr);
        percent = 100 * cpu / wall;
    }
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_ClientCpuInCall)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zemra::client

int main(int argc, char** argv) {
    setenv("ZEMRA_TEST_CAMERA", "1", 1);
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);  // CallMedia's timers
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
