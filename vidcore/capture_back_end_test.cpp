#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/capture_test_camera.h"
#include "platform/icm.h"
#include "platform/process_clock.h"
#include "vidcore/graph_capture.h"
#include "vidcore/testing/fake_cameras.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/window_capture.h"

namespace zemra::vid {
namespace {

using testing::FakeCameras;
using testing::FakeCameraSetup;
using testing::PictureSink;

constexpr uint32_t kHandler = makeFourCc('t', 'c', 'a', 'p');

class CaptureTest : public ::testing::Test {
  protected:
    VideoSender::Options options() {
        VideoSender::Options o;
        o.codecHandler = kHandler;
        o.clock = processClockMs;
        return o;
    }
    SendRate rate;
    VideoSender sender{rate, options()};
};

TEST_F(CaptureTest, GraphTakesTheFirstCameraThatOpensWhenTheChosenOneIsMissing) {
    FakeCameras cameras(std::vector{FakeCameraSetup{.opens = false}, FakeCameraSetup{}});
    GraphCapture graph(sender, cameras);
    ASSERT_TRUE(graph.start(1, Rect{0, 0, 176, 144}, 4, 5));
    EXPECT_EQ(cameras.opened(), (std::vector<size_t>{1}));
    const auto format = graph.captureFormat();
    ASSERT_TRUE(format);
    EXPECT_EQ(format->compression, 0u);
    EXPECT_EQ(format->bitCount, 24);
    EXPECT_EQ(format->width, 352);
    EXPECT_EQ(format->height, 288);
    graph.stop();
    EXPECT_FALSE(graph.isRunning());

    FakeCameras none(std::vector{FakeCameraSetup{.opens = false}});
    GraphCapture failing(sender, none);
    EXPECT_FALSE(failing.start(1, Rect{}, 4, 0));
    EXPECT_FALSE(failing.isRunning());
    sender.start(1);
    EXPECT_FALSE(sender.isSending());  // no capture, no format
}

TEST_F(CaptureTest, GraphFallsBackToI420ThenToTheCamerasOwnFormat) {
    FakeCameras i420Only(std::vector{FakeCameraSetup{.takesRgb = false}});
    GraphCapture graph(sender, i420Only);
    ASSERT_TRUE(graph.start(1, Rect{}, 1, 0));
    EXPECT_EQ(graph.captureFormat()->compression, kFourCcI420);
    EXPECT_EQ(graph.captureFormat()->width, 176);

    FakeCameras stubborn(std::vector{FakeCameraSetup{.takesRgb = false, .takesI420 = false}});
    GraphCapture other(sender, stubborn);
    ASSERT_TRUE(other.start(1, Rect{}, 4, 0));
    EXPECT_EQ(other.captureFormat()->compression, kFourCcYuy2);
    EXPECT_EQ(other.captureFormat()->width, 640);

    // Modes outside the table keep the camera's size.
    FakeCameras plain(std::vector{FakeCameraSetup{}});
    GraphCapture keep(sender, plain);
    ASSERT_TRUE(keep.start(1, Rect{}, 7, 0));
    EXPECT_EQ(keep.captureFormat()->width, 640);
    EXPECT_EQ(keep.captureFormat()->compression, 0u);
}

TEST_F(CaptureTest, WindowCaptureTriesDriversZeroToEight) {
    FakeCameras cameras(std::vector{FakeCameraSetup{}});
    WindowCapture window(sender, cameras);
    ASSERT_TRUE(window.start(1, Rect{}, 1, 5));
    EXPECT_EQ(cameras.opened(), (std::vector<size_t>{0}));
    const auto format = window.captureFormat();
    EXPECT_EQ(format->compression, kFourCcYuy2);  // its own format, at the mode's size
    EXPECT_EQ(format->width, 176);
    EXPECT_EQ(format->sizeImage, 76032u);

    std::vector<FakeCameraSetup> setups(12, FakeCameraSetup{.opens = false});
    setups[10].opens = true;
    FakeCameras far(setups);
    WindowCapture none(sender, far);
    EXPECT_FALSE(none.start(1, Rect{}, 1, 5));
}

TEST_F(CaptureTest, PreviewsTheTestCameraAndHonoursPreviewOff) {
    setenv("ZEMRA_TEST_CAMERA", "1", 1);
    PictureSink sink;
    GraphCapture graph(sender, systemCameras());
    ASSERT_TRUE(graph.start(10, Rect{216, 58, 176, 144}, 1, 0));
    graph.setSecond(11, Rect{0, 0, 352, 288}, 1);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(10) >= 3; }));
    const auto pictures = sink.pictures(10);
    EXPECT_EQ(pictures[0].x, 216);
    EXPECT_EQ(pictures[0].width, 176);
    EXPECT_EQ(pictures[0].header.width, 176);
    const auto first = readTestPatternStamp(pictures[0].bits.data(), 176, 144);
    const auto second = readTestPatternStamp(pictures[1].bits.data(), 176, 144);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->frameNumber, first->frameNumber + 1);
    EXPECT_NE(pictures[0].bits, pictures[1].bits);

    graph.setPreviewOff(1);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(11) >= 3; }));
    const size_t previews = sink.pictureCount(10);
    const size_t seconds = sink.pictureCount(11);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(11) >= seconds + 3; }));
    EXPECT_LE(sink.pictureCount(10), previews + 1);  // one may have been on its way
    graph.stop();
}

TEST_F(CaptureTest, APictureThatFailsToGoOutIsReportedToThePreviewWindow) {
    setenv("ZEMRA_TEST_CAMERA", "1", 1);
    icm::install(icm::kTypeVideo, kHandler, ZEMRA_FAULTY_CODEC_PATH);
    PictureSink sink;
    GraphCapture graph(sender, systemCameras());
    ASSERT_TRUE(graph.start(12, Rect{0, 0, 176, 144}, 1, 0));
    sender.start(1);
    ASSERT_TRUE(sender.isSending());
    EXPECT_TRUE(sink.waitFor([&] { return sink.messageCount(12, kWmVideoSendFailed) >= 2; }));
    graph.stop();
    sender.stop();
    icm::remove(icm::kTypeVideo, kHandler);
}

}  // namespace
}  // namespace zemra::vid
