#include "vidcore/video_sender.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <numeric>
#include <system_error>
#include <thread>

#include "platform/byte_order.h"
#include "platform/capture_test_camera.h"
#include "platform/icm.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"

namespace zemra::vid {
namespace {

using testing::UdpSocket;

constexpr uint32_t kHandler = makeFourCc('t', 's', 'n', 'd');
constexpr uint32_t kOwnId = 1001;

class VideoSenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        icm::install(icm::kTypeVideo, kHandler, ZEMRA_PICODEC_PATH);
        sender = std::make_unique<VideoSender>(rate, senderOptions());
    }
    VideoSender::Options senderOptions() {
        VideoSender::Options options;
        options.codecHandler = kHandler;
        options.clock = [this] { return now.load(); };
        return options;
    }
    // Parties' threads use the sockets: they go first.
    void TearDown() override { sender.reset(); }

    VideoPeer::Config peerConfig(uint32_t id, const UdpSocket& from, const UdpSocket& to) {
        VideoPeer::Config c;
        c.peerId = id;
        c.socket = from.fd();
        c.address = to.address();
        c.port = to.port();
        return c;
    }

    // Codes and sends one pattern picture at the current clock.
    int offerPicture(uint16_t n) {
        renderTestPattern({n, now.load()}, 176, 144, picture.data());
        return sender->offer(picture.data(), picture.size());
    }

    // Reads the datagrams of one whole frame; the tag of its message.
    std::optional<uint8_t> nextFrameTag(
        const UdpSocket& s, uint16_t* sequence = nullptr,
        std::chrono::milliseconds wait = std::chrono::milliseconds(1500)) {
        auto d = s.receiveData(wait);
        if (!d) return std::nullopt;
        const auto h = VideoPacketHeader::readFrom(*d);
        for (int i = 1; i < h->count; ++i) s.receiveData();
        if (sequence) *sequence = h->sequence;
        return (*d)[kVideoHeaderSize];
    }

    void startWithCaptureFormat() {
        BitmapInfoHeader f;
        f.width = 176;
        f.height = 144;
        f.bitCount = 24;
        f.sizeImage = f.imageBytes();
        sender->setCaptureFormat(f);
        sender->start(kOwnId);
        ASSERT_TRUE(sender->isSending());
    }

    std::atomic<uint32_t> now{1000};
    SendRate rate;
    std::unique_ptr<VideoSender> sender;
    std::vector<uint8_t> picture = std::vector<uint8_t>(176 * 144 * 3);
    UdpSocket engineSocket{"127.0.0.2"};
    UdpSocket peerSocket{"127.0.0.3"};
};

TEST_F(VideoSenderTest, CutsAFrameIntoThousandByteFragments) {
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    std::vector<uint8_t> message(2500);
    std::iota(message.begin(), message.end(), 0);
    sender->sendDeltaFrame(message);
    std::vector<uint8_t> joined;
    for (uint8_t i = 0; i < 3; ++i) {
        auto d = peerSocket.receiveData();
        ASSERT_TRUE(d);
        EXPECT_EQ(d->size(), i < 2 ? 1016u : 516u);
        EXPECT_EQ((*d)[0], 0x02);
        EXPECT_EQ((*d)[1], 0x48);
        const auto h = VideoPacketHeader::readFrom(*d);
        EXPECT_EQ(h->count, 3);
        EXPECT_EQ(h->index, i);
        EXPECT_EQ(h->sequence, 1);  // no start: sequence 0 + 1
        EXPECT_EQ(h->timeStamp, 5u);
        EXPECT_EQ((*d)[14], 0);
        EXPECT_EQ((*d)[15], 0);
        joined.insert(joined.end(), d->begin() + 16, d->end());
    }
    EXPECT_EQ(joined, message);

    sender->sendDeltaFrame(std::vector<uint8_t>(80001, 1));
    sender->sendDeltaFrame(std::vector<uint8_t>(80000, 2));
    for (int i = 0; i < 80; ++i) {
        auto d = peerSocket.receiveData();
        ASSERT_TRUE(d) << i;
        const auto h = VideoPacketHeader::readFrom(*d);
        EXPECT_EQ(h->count, 80);
        EXPECT_EQ(h->index, i);
        EXPECT_EQ(h->sequence, 2);  // the 80001-byte frame took no number
        EXPECT_EQ(h->timeStamp, 10u);
        EXPECT_EQ((*d)[16], 2);
    }
}

TEST_F(VideoSenderTest, PeerSlotsRefuseKnownIdsAndASeventeenth) {
    for (uint32_t id = 1; id <= 16; ++id) {
        EXPECT_TRUE(sender->addPeer(peerConfig(id, engineSocket, peerSocket)));
    }
    EXPECT_FALSE(sender->addPeer(peerConfig(17, engineSocket, peerSocket)));
    EXPECT_FALSE(sender->addPeer(peerConfig(3, engineSocket, peerSocket)));
    // A free slot ahead of a known ID does not let the ID in twice.
    EXPECT_TRUE(sender->removePeer(2));
    EXPECT_FALSE(sender->addPeer(peerConfig(9, engineSocket, peerSocket)));
    EXPECT_TRUE(sender->addPeer(peerConfig(17, engineSocket, peerSocket)));
    EXPECT_FALSE(sender->removePeer(99));
    sender->removeAllPeers();
    EXPECT_FALSE(sender->removePeer(17));
}

TEST_F(VideoSenderTest, StartingWithoutACaptureLeavesSendingOff) {
    sender->start(kOwnId);
    EXPECT_FALSE(sender->isSending());
    EXPECT_EQ(offerPicture(0), 1);
}

// The client tells the engine its own ID at start-up, whether or not a
// camera runs, and stops sending at once; parties added later carry it.
TEST_F(VideoSenderTest, PartiesAddedAfterAFailedStartProbeWithTheOwnId) {
    VideoSender::Options options = senderOptions();
    options.codecHandler = makeFourCc('n', 'o', 'n', 'e');  // no such codec: the compressor fails
    sender = std::make_unique<VideoSender>(rate, options);
    BitmapInfoHeader f;
    f.width = 176;
    f.height = 144;
    f.bitCount = 24;
    f.sizeImage = f.imageBytes();
    sender->setCaptureFormat(f);
    sender->start(77);
    ASSERT_FALSE(sender->isSending());
    sender->stop();

    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    const auto probe = peerSocket.receive(std::chrono::milliseconds(2000));
    ASSERT_TRUE(probe);
    ASSERT_EQ(probe->size(), kVideoReportSize);
    EXPECT_EQ((*probe)[0], kVideoReportByte0);
    EXPECT_EQ(getLe32(probe->data() + 8), 77u);
}

TEST_F(VideoSenderTest, APartyWhoseThreadCannotStartIsNotKept) {
    std::atomic<int> refusals{1};
    auto startThread = [&](std::function<void()> body) {
        if (refusals-- > 0) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return std::thread(std::move(body));
    };
    sender = std::make_unique<VideoSender>(rate, senderOptions(), startThread);
    sender->start(kOwnId);

    EXPECT_FALSE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    EXPECT_FALSE(sender->withPeer(7, [](VideoPeer&) {}));
    EXPECT_FALSE(sender->removePeer(7));
    sender->sendDeltaFrame(std::vector<uint8_t>(10, 1));
    EXPECT_FALSE(peerSocket.receive(std::chrono::milliseconds(300))) << "sent to a refused party";
    sender->removeAllPeers();

    // The ID is free: the party can be added once its thread starts.
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    const auto probe = peerSocket.receive(std::chrono::milliseconds(2000));
    ASSERT_TRUE(probe);
    EXPECT_EQ(getLe32(probe->data() + 8), kOwnId);
    EXPECT_TRUE(sender->removePeer(7));
}

TEST_F(VideoSenderTest, KeyFramesStartEveryCycleOfFifteen) {
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    startWithCaptureFormat();
    const uint16_t start = sender->sequence();
    for (uint16_t n = 0; n < 31; ++n) {
        now += 100;
        ASSERT_EQ(offerPicture(n), 1);
        uint16_t sequence = 0;
        const auto tag = nextFrameTag(peerSocket, &sequence);
        ASSERT_TRUE(tag) << n;
        EXPECT_EQ(sequence, static_cast<uint16_t>(start + 1 + n));
        EXPECT_EQ(*tag, n % 15 == 0 ? kKeyFrameTag : kDeltaFrameTag) << n;
    }
    // Resuming a party at 3 frames per second or more starts a new cycle.
    now += 100;
    sender->resumePeer(7);
    offerPicture(31);
    EXPECT_EQ(nextFrameTag(peerSocket), kKeyFrameTag);
    rate.setFramesPerSecond(2);
    now += 600;
    offerPicture(32);
    EXPECT_EQ(nextFrameTag(peerSocket), kDeltaFrameTag);
    sender->resumePeer(7);  // counter 10: still within the cycle
    now += 600;
    offerPicture(33);
    EXPECT_EQ(nextFrameTag(peerSocket), kDeltaFrameTag);
}

TEST_F(VideoSenderTest, SendsNoFasterThanTheRate) {
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    startWithCaptureFormat();
    rate.setFramesPerSecond(10);
    int sent = 0;
    for (uint16_t n = 0; n < 20; ++n, now += 30) {
        offerPicture(n);
        while (nextFrameTag(peerSocket, nullptr, std::chrono::milliseconds(50))) ++sent;
    }
    // Pictures at 1000, 1030 ... 1570: sent at 1000, 1120, 1240, 1360, 1480.
    EXPECT_EQ(sent, 5);
}

TEST_F(VideoSenderTest, MutedPartiesAndPartiesThatReportedLossGetLess) {
    UdpSocket otherEngineSocket("127.0.0.2");
    UdpSocket otherPeer("127.0.0.4");
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    ASSERT_TRUE(sender->addPeer(peerConfig(8, otherEngineSocket, otherPeer)));
    startWithCaptureFormat();

    sender->mutePeer(8);
    now += 100;
    offerPicture(0);
    EXPECT_EQ(nextFrameTag(peerSocket), kKeyFrameTag);
    EXPECT_FALSE(otherPeer.receiveData(std::chrono::milliseconds(200)));
    sender->resumePeer(8);  // and the next frame is a key frame

    // Party 8 reports a loss to the engine's socket it was registered with.
    VideoReport report;
    report.senderId = 8;
    report.lostSinceReport = 1;
    otherPeer.sendTo(otherEngineSocket.local(), report.toBytes());
    testing::PictureSink sink;
    ASSERT_TRUE(sink.waitFor([&] {
        int reports = 0;
        sender->withPeer(8, [&](VideoPeer& p) { reports = p.lossReports(); });
        return reports > 0;
    }));

    // The next key frame reaches it, the 14 deltas after it do not, and the
    // key frame after that brings it back.
    for (uint16_t n = 1; n <= 16; ++n) {
        now += 100;
        offerPicture(n);
        const auto tag = nextFrameTag(peerSocket);
        ASSERT_TRUE(tag);
        EXPECT_EQ(*tag, n == 1 || n == 16 ? kKeyFrameTag : kDeltaFrameTag) << n;
        const bool reaches = n == 1 || n == 16;
        const auto other =
            nextFrameTag(otherPeer, nullptr, std::chrono::milliseconds(reaches ? 1500 : 100));
        if (reaches) {
            EXPECT_EQ(other, kKeyFrameTag) << n;
        } else {
            EXPECT_FALSE(other) << n;
        }
    }
    now += 100;
    offerPicture(17);
    EXPECT_EQ(nextFrameTag(otherPeer), kDeltaFrameTag);
}

TEST_F(VideoSenderTest, ACodecFaultIsAFailedFrame) {
    icm::install(icm::kTypeVideo, kHandler, ZEMRA_FAULTY_CODEC_PATH);
    ASSERT_TRUE(sender->addPeer(peerConfig(7, engineSocket, peerSocket)));
    startWithCaptureFormat();
    now += 100;
    EXPECT_EQ(offerPicture(0), 0);
    now += 100;
    EXPECT_EQ(offerPicture(1), 0);
    EXPECT_FALSE(peerSocket.receiveData(std::chrono::milliseconds(200)));
    sender->stop();
    EXPECT_FALSE(sender->isSending());
    icm::install(icm::kTypeVideo, kHandler, ZEMRA_PICODEC_PATH);
}

}  // namespace
}  // namespace zemra::vid
