// The video engine's costs for one 352 × 288 picture: coding, fragmenting
// and sending; reassembling, decoding and softening; softening alone; and
// the share of one core a whole capture-to-display pipeline takes at 24
// pictures a second.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/capture_test_camera.h"
#include "platform/icm.h"
#include "platform/winmsg.h"
#include "vidcore/soften.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"
#include "vidcore/video_engine.h"
#include "vidcore/video_packet.h"

namespace zemra::vid {
namespace {

using testing::UdpSocket;

constexpr int kWidth = 352;
constexpr int kHeight = 288;
constexpr uint32_t kHandler = makeFourCc('b', 'n', 'c', 'h');

BitmapInfoHeader rgbFormat() {
    BitmapInfoHeader f;
    f.width = kWidth;
    f.height = kHeight;
    f.bitCount = 24;
    f.sizeImage = f.imageBytes();
    return f;
}

std::vector<std::vector<uint8_t>> patternPictures(int count) {
    std::vector<std::vector<uint8_t>> pictures;
    for (int i = 0; i < count; ++i) {
        pictures.emplace_back(rgbFormat().sizeImage);
        renderTestPattern({static_cast<uint16_t>(i), 1000u + 40u * i}, kWidth, kHeight,
                          pictures.back().data());
    }
    return pictures;
}

// Sending side: the clock is moved on so that every picture is due, and
// the pauses between fragments (sleeps, no work) are left out.
void BM_CodeFragmentSend(benchmark::State& state) {
    icm::install(icm::kTypeVideo, kHandler, ZEMRA_PICODEC_PATH);
    UdpSocket engineSocket("127.0.0.2"), peerSocket("127.0.0.3");
    SendRate rate;
    std::atomic<uint32_t> now{1000};
    VideoSender sender(rate, {kHandler, [&] { return now.load(); }, false});
    VideoPeer::Config peer;
    peer.peerId = 2;
    peer.socket = engineSocket.fd();
    peer.address = peerSocket.address();
    peer.port = peerSocket.port();
    sender.addPeer(peer);
    sender.setCaptureFormat(rgbFormat());
    sender.start(1);
    const auto pictures = patternPictures(60);
    size_t i = 0;
    for (auto _ : state) {
        now += 100;
        const auto& p = pictures[i++ % pictures.size()];
        benchmark::DoNotOptimize(sender.offer(p.data(), p.size()));
    }
    state.SetItemsProcessed(state.iterations());
    sender.removeAllPeers();
}
BENCHMARK(BM_CodeFragmentSend)->Unit(benchmark::kMillisecond);

// Receiving side: the datagrams of a coded sequence handed to a party whose
// window is one and a half times the picture, so every picture is softened.
void BM_ReassembleDecodeSoften(benchmark::State& state) {
    icm::install(icm::kTypeVideo, kHandler, ZEMRA_PICODEC_PATH);
    UdpSocket engineSocket("127.0.0.2"), remote("127.0.0.3");
    SendRate rate;
    std::atomic<uint32_t> now{1000};
    VideoSender sender(rate, {kHandler, [&] { return now.load(); }, false});
    VideoPeer::Config capture;
    capture.peerId = 2;
    capture.socket = engineSocket.fd();
    capture.address = remote.address();
    capture.port = remote.port();
    sender.addPeer(capture);
    sender.setCaptureFormat(rgbFormat());
    sender.start(1);
    std::vector<std::vector<uint8_t>> datagrams;
    std::vector<size_t> frameEnds;
    for (const auto& p : patternPictures(30)) {
        now += 100;
        sender.offer(p.data(), p.size());
        while (auto d = remote.receiveData(std::chrono::milliseconds(20))) {
            datagrams.push_back(*d);
        }
        frameEnds.push_back(datagrams.size());
    }
    sender.removeAllPeers();

    VideoPeer::Config c;
    c.peerId = 1;
    c.socket = engineSocket.fd();
    c.address = remote.address();
    c.port = remote.port();
    c.display = Display{0x10, 0, 0, kWidth * 3 / 2, kHeight * 3 / 2, true};
    c.codecHandler = kHandler;
    c.clock = [] { return 0u; };
    VideoPeer peer(c);
    const sockaddr_in from = remote.local();
    size_t frame = 0, next = 0;
    for (auto _ : state) {
        for (; next < frameEnds[frame]; ++next) peer.handleDatagram(datagrams[next], from);
        if (++frame == frameEnds.size()) frame = next = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReassembleDecodeSoften)->Unit(benchmark::kMillisecond);

void BM_Soften(benchmark::State& state) {
    auto picture = patternPictures(1)[0];
    for (auto _ : state) {
        soften(picture.data(), kWidth, kHeight);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Soften)->Unit(benchmark::kMicrosecond);

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Two engines in this process, pictures offered 24 times a second as a
// camera would deliver them: preview, coding, sending, receiving,
// decoding, softening and drawing (the host's copies included). Reported
// as the share of one core; the pictures are made beforehand, so that the
// synthetic camera's drawing is not counted.
void BM_PipelineAt24PerSecond(benchmark::State& state) {
    testing::PictureSink sink;
    UdpSocket socketA("127.0.0.7"), socketB("127.0.0.8");
    VideoEngine::Options options;
    options.codecDriver = ZEMRA_PICODEC_PATH;
    VideoEngine a(options), b(options);
    a.rate().setFramesPerSecond(1000);  // the pump below sets the pace
    VideoPeer::Config toB;
    toB.peerId = 2;
    toB.socket = socketA.fd();
    toB.address = socketB.address();
    toB.port = socketB.port();
    a.sender().addPeer(toB);
    VideoPeer::Config fromA;
    fromA.peerId = 1;
    fromA.socket = socketB.fd();
    fromA.address = socketA.address();
    fromA.port = socketA.port();
    fromA.display = Display{0x2, 0, 0, kWidth * 3 / 2, kHeight * 3 / 2, true};
    b.sender().addPeer(fromA);
    a.sender().setCaptureFormat(rgbFormat());
    a.sender().start(1);
    const auto pictures = patternPictures(48);
    const BitmapInfoHeader format = rgbFormat();
    double share = 0;
    size_t drawn = 0;
    constexpr int kSeconds = 5;
    for (auto _ : state) {
        sink.clear();
        const double cpu = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        auto due = start;
        for (int i = 0; i < 24 * kSeconds; ++i) {
            std::this_thread::sleep_until(due);
            const auto& p = pictures[i % pictures.size()];
            drawPicture(0x1, 0, 0, 176, 144, format, p.data());
            a.sender().offer(p.data(), p.size());
            due += std::chrono::microseconds(1000000 / 24);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        share = (cpuSeconds() - cpu) /
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        drawn = sink.pictureCount(0x2);
    }
    state.counters["core_percent"] = share * 100;
    state.counters["pictures_drawn"] = static_cast<double>(drawn);
    a.sender().removeAllPeers();
    b.sender().removeAllPeers();
}
BENCHMARK(BM_PipelineAt24PerSecond)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace zemra::vid

BENCHMARK_MAIN();
