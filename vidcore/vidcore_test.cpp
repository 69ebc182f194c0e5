// The exported functions, as the client calls them.
#include "include/vidcore.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"

namespace zemra::vid {
namespace {

using testing::PictureSink;
using testing::UdpSocket;

class ExportsTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("ZEMRA_TEST_CAMERA", "1", 1); }
    void TearDown() override {
        Set20();
        Set04(0);
        Set02();
        Set12();
    }
    int addPeer(unsigned long id) {
        return Set18(id, static_cast<unsigned>(engine.fd()), static_cast<long>(peer.address()),
                     peer.port(), 0x77, 0, 0, 176, 144, 1);
    }

    PictureSink sink;
    UdpSocket engine{"127.0.0.9"};
    UdpSocket peer{"127.0.0.10"};
};

TEST_F(ExportsTest, PartiesAreRefusedTwiceOrBeyondSixteen) {
    for (unsigned long id = 1; id <= 16; ++id) EXPECT_EQ(addPeer(id), 1) << id;
    EXPECT_EQ(addPeer(17), 0);
    EXPECT_EQ(addPeer(5), 0);
    EXPECT_EQ(Set19(5), 1);
    EXPECT_EQ(Set19(5), 0);
    EXPECT_EQ(addPeer(9), 0);
    EXPECT_EQ(addPeer(17), 1);
    Set20();
    EXPECT_EQ(Set19(1), 0);
    EXPECT_EQ(OpenAvi("/tmp/never.avi", 1), 0);
}

TEST_F(ExportsTest, SendingNeedsARunningCapture) {
    ASSERT_EQ(addPeer(21), 1);
    Set03(20);
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(400)));

    // Camera 5 does not exist: the first camera that opens is taken.
    ASSERT_EQ(Set00(0x70, 216, 58, 176, 144, 1, 5), 1);
    Set03(20);
    const auto d = peer.receiveData(std::chrono::milliseconds(3000));
    ASSERT_TRUE(d);
    EXPECT_EQ((*d)[16], 1);  // a key frame first
    EXPECT_EQ((*d)[8], 20);  // own ID
    Set09(21);               // muted: nothing more arrives
    while (peer.receiveData(std::chrono::milliseconds(100))) {
    }
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(300)));
    Set07(21);
    const auto resumed = peer.receiveData(std::chrono::milliseconds(3000));
    ASSERT_TRUE(resumed);
    EXPECT_EQ((*resumed)[16], 1);
    Set04(0);
    Set02();
    while (peer.receiveData(std::chrono::milliseconds(100))) {
    }
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(300)));
}

TEST_F(ExportsTest, WindowCaptureFallsBackToDriverZero) {
    ASSERT_EQ(Set10(0x71, 0, 0, 176, 144, 1, 5), 1);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(0x71) >= 2; }));
    EXPECT_EQ(sink.pictures(0x71)[0].header.width, 176);
    Set15(1);
    Set16(0x72, 0, 0, 88, 72);
    Set15(0);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(0x72) >= 2; }));
    EXPECT_EQ(sink.pictures(0x72)[0].width, 88);
    Set12();
    EXPECT_EQ(OpenAviSelf("/nonexistent-folder/own.avi"), nullptr);
    Set21(0, 0, 1, 2, 3, 4, 5);
    Set22(0, 1, 2, 3, 4);
}

}  // namespace
}  // namespace zemra::vid
