// The call windows without a call: the ringing and dial-out windows' buttons
// and close boxes, the partner window's zoom levels, and the pictures the
// engines hand over turned into images.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "client/testing/window_test_support.h"
#include "client/ui/call_setup_dlg.h"
#include "client/ui/picture_image.h"
#include "client/ui/remote_video_dlg.h"
#include "client/ui/video_surface.h"
#include "client/ui/window_message_bridge.h"

namespace zemra::client::ui {
namespace {

using testing::saveScreenshot;

TEST(CallWindowsTest, TheRingingWindowAcceptsRefusesAndRefusesOnItsCloseBox) {
    std::vector<std::string> done;
    CRingDlg ring([&] { done.push_back("accept"); }, [&] { done.push_back("refuse"); });
    ring.showText(QString::fromUtf8("1001_bob请求呼叫连接"));
    ASSERT_TRUE(ring.isVisible());
    saveScreenshot(ring, "call_ringing_window.png");
    ring.findChild<QPushButton*>("accept")->click();
    ring.findChild<QPushButton*>("refuse")->click();
    ring.close();
    EXPECT_EQ(done, (std::vector<std::string>{"accept", "refuse", "refuse"}));
    EXPECT_FALSE(ring.isVisible());
    // Shown again for the next call, with the new text.
    ring.showText(QString::fromUtf8("1002_carol请求呼叫连接"));
    EXPECT_TRUE(ring.isVisible());
    EXPECT_EQ(ring.text(), QString::fromUtf8("1002_carol请求呼叫连接"));
}

TEST(CallWindowsTest, TheDialOutWindowCancelsWithItsButtonAndItsCloseBox) {
    int cancels = 0;
    CDialOutDlg dialOut([&] { ++cancels; });
    dialOut.showText(QString::fromUtf8("您正在呼叫1001_bob"));
    saveScreenshot(dialOut, "call_dial_out_window.png");
    dialOut.findChild<QPushButton*>("cancel")->click();
    dialOut.close();
    EXPECT_EQ(cancels, 2);
    dialOut.showText(QString::fromUtf8("您正在呼叫1001_bob"));
    dialOut.hideWindow();
    EXPECT_EQ(cancels, 2);  // hiding for the call logic is no cancel
}

TEST(CallWindowsTest, ThePartnerWindowZoomsBetweenItsThreeLevelsAndReportsWhereThePictureGoes) {
    RemoteVideoDlg remote;
    std::vector<MediaRect> moves;
    QObject::connect(&remote, &RemoteVideoDlg::pictureMoved,
                     [&](WindowHandle, MediaRect where) { moves.push_back(where); });
    remote.show();
    const QSize base = RemoteVideoDlg::kBaseSize;
    EXPECT_EQ(remote.size(), QSize(int(base.width() * 1.5), int(base.height() * 1.5)));
    remote.zoomOut();  // not below the first level
    EXPECT_EQ(remote.zoom(), 1);
    remote.zoomIn();
    remote.zoomIn();
    remote.zoomIn();  // not above the third
    EXPECT_EQ(remote.zoom(), 3);
    EXPECT_EQ(remote.size(), QSize(base.width() * 3, base.height() * 3));
    QCoreApplication::processEvents();
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().width, remote.surface()->width());
    EXPECT_EQ(moves.back().height, remote.surface()->height());
}

TEST(CallWindowsTest, PicturesOfEveryEngineFormatBecomeImagesTheRightWayUp) {
    // 2 x 2, bottom-up 24-bit: the first stored row is the bottom one.
    BitmapInfoHeader rgb;
    rgb.width = 2;
    rgb.height = 2;
    rgb.bitCount = 24;
    const uint8_t rgbBits[] = {0,   0, 255, 0,   0, 255, 0, 0,   // bottom: red, red, padding
                               255, 0, 0,   255, 0, 0,   0, 0};  // top: blue, blue, padding
    const auto image = imageFromPicture(rgb, rgbBits);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image->pixel(1, 1), qRgb(255, 0, 0));

    BitmapInfoHeader i420;
    i420.width = 2;
    i420.height = 2;
    i420.bitCount = 12;
    i420.compression = makeFourCc('I', '4', '2', '0');
    const uint8_t white[] = {235, 235, 235, 235, 128, 128};
    const auto grey = imageFromPicture(i420, white);
    ASSERT_TRUE(grey.has_value());
    EXPECT_EQ(grey->pixel(1, 1), qRgb(255, 255, 255));

    BitmapInfoHeader odd = i420;
    odd.width = 3;  // I420 needs even sides
    EXPECT_EQ(pictureBytes(odd), 0u);
    EXPECT_FALSE(imageFromPicture(odd, white).has_value());
    BitmapInfoHeader huge = rgb;
    huge.width = 100000;
    EXPECT_FALSE(imageFromPicture(huge, rgbBits).has_value());
}

TEST(CallWindowsTest, ASurfaceShowsWhatTheEngineDrawsIntoItsHandle) {
    VideoSurface surface;
    surface.resize(176, 144);
    QImage picture(176, 144, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    WindowMessageBridge::deliverPicture(surface.handle(), QRect(0, 0, 176, 144), picture);
    EXPECT_EQ(surface.pictures(), 1);
    EXPECT_EQ(surface.grab().toImage().pixel(88, 72), qRgb(10, 200, 30));
    surface.clear();
    EXPECT_EQ(surface.grab().toImage().pixel(88, 72), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace zemra::client::ui
