// Two engines over loopback, each with the test camera: the exported one
// of the library and an engine object of the test's own.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

#include "include/vidcore.h"
#include "platform/capture_test_camera.h"
#include "platform/testing/temp_dir.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"
#include "vidcore/video_engine.h"

namespace zemra::vid {
namespace {

using testing::DrawnPicture;
using testing::PictureSink;
using testing::UdpSocket;

constexpr unsigned long kIdA = 5001;
constexpr unsigned long kIdB = 5002;
constexpr uintptr_t kPreviewA = 0xA0, kDisplayA = 0xA1, kPreviewB = 0xB0, kDisplayB = 0xB1;

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (fgets(buffer.data(), buffer.size(), p)) out += buffer.data();
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
    return out;
}

// "codec,width,height,packets with data,frames decoded" as ffprobe sees the file.
std::string probe(const std::filesystem::path& file) {
    return run(
        "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
        "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" +
        file.string() + "'");
}

// Checks every picture against the one the camera made, and their order.
void checkPictures(const std::vector<DrawnPicture>& pictures, uint32_t rate) {
    ASSERT_GE(pictures.size(), 2u);
    std::vector<uint8_t> expected;
    std::optional<TestPatternStamp> previous, first;
    for (const auto& p : pictures) {
        ASSERT_EQ(p.header.width, 352);
        ASSERT_EQ(p.header.height, 288);
        const auto stamp = readTestPatternStamp(p.bits.data(), 352, 288);
        ASSERT_TRUE(stamp);
        expected.resize(p.bits.size());
        renderTestPattern(*stamp, 352, 288, expected.data());
        EXPECT_GE(psnr(p.bits, expected), 30.0) << "frame " << stamp->frameNumber;
        if (previous) {
            EXPECT_GT(stamp->frameNumber, previous->frameNumber);
        }
        if (!first) first = stamp;
        previous = stamp;
    }
    // The camera makes 30 pictures a second; the engine sends `rate` of them.
    const double seconds = (previous->clockMs - first->clockMs) / 1000.0;
    const double fps = (pictures.size() - 1) / seconds;
    EXPECT_LE(fps, rate * 1.1);
    EXPECT_GE(fps, rate * 0.3);
    std::printf("%zu pictures at %.1f per second, latency of the last %u ms\n", pictures.size(),
                fps, pictures.back().clockMs - previous->clockMs);
}

// Waits until the party's received count stops growing.
uint32_t settle(VideoSender& sender, uint32_t peer) {
    uint32_t last = 0, now = 1;
    while (now != last) {
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        sender.withPeer(peer, [&](VideoPeer& p) { now = p.framesReceived(); });
    }
    return now;
}

TEST(LoopbackTest, TwoEnginesCarryPicturesBothWaysAndRecordThem) {
    setenv("ZEMRA_TEST_CAMERA", "1", 1);
    PictureSink sink;
    zemra::testing::TempDir dir;
    UdpSocket socketA("127.0.0.7"), socketB("127.0.0.8");

    VideoEngine::Options options;
    options.codecDriver = ZEMRA_PICODEC_PATH;
    VideoEngine b(options);

    ASSERT_EQ(Set00(kPreviewA, 216, 58, 176, 144, 4, 0), 1);
    ASSERT_TRUE(b.graph().start(kPreviewB, Rect{216, 58, 176, 144}, 4, 0));
    Set17(10);
    b.rate().setFramesPerSecond(12);
    ASSERT_EQ(Set18(kIdB, socketA.fd(), socketB.address(), socketB.port(), kDisplayA, 518, 142, 176,
                    144, 1),
              1);
    Set08(kIdB, kDisplayA, 0, 0, 352, 288, 1);
    VideoPeer::Config peerA;
    peerA.peerId = kIdA;
    peerA.socket = socketB.fd();
    peerA.address = socketA.address();
    peerA.port = socketA.port();
    peerA.display = Display{kDisplayB, 0, 0, 352, 288, true};
    ASSERT_TRUE(b.sender().addPeer(peerA));

    const auto own = dir / "own.avi";
    const auto peer = dir / "peer.avi";
    ASSERT_NE(OpenAviSelf(own.c_str()), nullptr);
    ASSERT_TRUE(b.sender().openPeerRecording(peer, kIdA));

    Set03(kIdA);
    b.sender().start(kIdB);
    ASSERT_TRUE(sink.waitFor(
        [&] { return sink.pictureCount(kDisplayB) >= 20 && sink.pictureCount(kDisplayA) >= 20; }));
    Set04(0);
    const uint32_t received = settle(b.sender(), kIdA);
    CloseAviSelf();
    b.sender().closePeerRecording(kIdA);

    uint32_t lost = 1;
    b.sender().withPeer(kIdA, [&](VideoPeer& p) { lost = p.framesLost(); });
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(sink.pictureCount(kDisplayB), received);
    EXPECT_GE(sink.messageCount(kDisplayB, WM_VIDEO_PACKET), received);
    checkPictures(sink.pictures(kDisplayB), 10);
    checkPictures(sink.pictures(kDisplayA), 12);

    // Every frame sent was recorded on both sides, and decodes.
    const std::string expected = "vp8,352,288," + std::to_string(received);
    EXPECT_EQ(probe(own), expected);
    EXPECT_EQ(probe(peer), expected);

    // Recording into the same file again continues it.
    ASSERT_NE(OpenAviSelf(own.c_str()), nullptr);
    const size_t before = sink.pictureCount(kDisplayB);
    Set03(kIdA);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(kDisplayB) >= before + 10; }));
    Set04(0);
    const uint32_t total = settle(b.sender(), kIdA);
    CloseAviSelf();
    EXPECT_EQ(probe(own), "vp8,352,288," + std::to_string(total));

    Set20();
    Set02();
    b.sender().removeAllPeers();
    b.sender().stop();
    b.graph().stop();
}

}  // namespace
}  // namespace zemra::vid
