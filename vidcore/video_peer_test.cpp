#include "vidcore/video_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "platform/capture_test_camera.h"
#include "platform/icm.h"
#include "vidcore/soften.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"
#include "vidcore/video_compressor.h"

namespace zemra::vid {
namespace {

using namespace std::chrono_literals;
using testing::PictureSink;
using testing::UdpSocket;

constexpr uint32_t kHandler = makeFourCc('t', 'p', 'e', 'r');
constexpr uint32_t kFaultyHandler = makeFourCc('t', 'f', 'l', 't');
constexpr uint32_t kPeerId = 2002;
constexpr WindowHandle kWindow = 0x5150;

// Frame messages of the pattern, coded by the real codec.
std::vector<std::vector<uint8_t>> codedMessages(int w, int h, int count, uint16_t firstFrame = 0) {
    VideoCompressor compressor(kHandler);
    BitmapInfoHeader in;
    in.width = w;
    in.height = h;
    in.bitCount = 24;
    in.sizeImage = in.imageBytes();
    EXPECT_TRUE(compressor.open(in));
    EXPECT_TRUE(compressor.beginSequence());
    std::vector<uint8_t> picture(in.sizeImage);
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < count; ++i) {
        const uint16_t n = static_cast<uint16_t>(firstFrame + i);
        renderTestPattern({n, 1000u + n}, w, h, picture.data());
        const auto coded = compressor.code(picture.data(), picture.size());
        std::vector<uint8_t> message;
        if (i == 0) {
            message.resize(kKeyFramePrefix);
            KeyFramePrefix{static_cast<uint16_t>(w), static_cast<uint16_t>(h),
                           compressor.outputFormat().compression}
                .writeTo(message.data());
        } else {
            message.push_back(kDeltaFrameTag);
        }
        message.insert(message.end(), coded->data.begin(), coded->data.end());
        out.push_back(std::move(message));
    }
    compressor.close();
    return out;
}

std::vector<std::vector<uint8_t>> datagrams(const std::vector<uint8_t>& message, uint16_t sequence,
                                            uint32_t timeStamp, uint32_t sender = kPeerId) {
    std::vector<std::vector<uint8_t>> out;
    const size_t n = fragmentCount(message.size());
    for (size_t i = 0; i < n; ++i) {
        VideoPacketHeader h{sequence, timeStamp, sender, static_cast<uint8_t>(n),
                            static_cast<uint8_t>(i)};
        std::vector<uint8_t> d(kVideoHeaderSize);
        h.writeTo(d.data());
        const size_t size = std::min(kFragmentSize, message.size() - i * kFragmentSize);
        d.insert(d.end(), message.begin() + i * kFragmentSize,
                 message.begin() + i * kFragmentSize + size);
        out.push_back(std::move(d));
    }
    return out;
}

// Polls, so that a picture that never comes fails the test instead of
// waiting inside the sink.
bool picturesArrive(const PictureSink& sink, WindowHandle window, size_t count,
                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (sink.pictureCount(window) < count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class VideoPeerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        icm::install(icm::kTypeVideo, kHandler, ZEMRA_PICODEC_PATH);
        icm::install(icm::kTypeVideo, kFaultyHandler, ZEMRA_FAULTY_CODEC_PATH);
    }

    // A party whose receive thread is not running: the test hands it datagrams.
    std::unique_ptr<VideoPeer> makePeer(int displayW, int displayH, uint32_t handler = kHandler) {
        VideoPeer::Config c;
        c.peerId = kPeerId;
        c.ownId = 1001;
        c.socket = engineSocket.fd();
        c.address = remote.address();
        c.port = remote.port();
        c.display = Display{kWindow, 0, 0, displayW, displayH, true};
        c.codecHandler = handler;
        c.clock = [] { return 777u; };
        return std::make_unique<VideoPeer>(c);
    }

    void deliver(VideoPeer& peer, const std::vector<uint8_t>& message, uint16_t sequence) {
        for (const auto& d : datagrams(message, sequence, sequence * 5u)) {
            peer.handleDatagram(d, source);
        }
    }

    PictureSink sink;
    UdpSocket engineSocket{"127.0.0.2"};
    UdpSocket remote{"127.0.0.5"};
    sockaddr_in source = remote.local();
};

TEST_F(VideoPeerTest, AGapIsOneLossAndDroppedDeltasAreReported) {
    auto peer = makePeer(176, 144);
    const auto messages = codedMessages(176, 144, 6);
    deliver(*peer, messages[0], 10);
    deliver(*peer, messages[1], 11);
    EXPECT_EQ(sink.pictureCount(kWindow), 2u);
    EXPECT_EQ(sink.messageCount(kWindow, kWmVideoPacket),
              2u + fragmentCount(messages[0].size()) - 1);
    // Frames 12 and 13 are lost on the way.
    deliver(*peer, messages[4], 14);
    deliver(*peer, messages[5], 15);
    EXPECT_EQ(peer->framesReceived(), 4u);
    EXPECT_EQ(peer->framesLost(), 1u);

    std::vector<VideoReport> reports;
    while (auto d = remote.receive(std::chrono::milliseconds(300))) {
        ASSERT_EQ(d->size(), kVideoReportSize);
        EXPECT_EQ((*d)[0], 0x0A);
        reports.push_back(*VideoReport::readFrom(*d));
    }
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].senderId, 1001u);
    EXPECT_EQ(reports[0].clockMs, 777u);
    EXPECT_EQ(reports[0].framesReceived, 3u);
    EXPECT_EQ(reports[0].framesLost, 1u);
    EXPECT_EQ(reports[0].lostSinceReport, 1u);
    EXPECT_EQ(reports[1].framesReceived, 4u);
    EXPECT_EQ(reports[1].lostSinceReport, 0u);
    // The dropped deltas redraw the last good picture.
    EXPECT_EQ(sink.pictureCount(kWindow), 4u);

    // A key frame makes the reference good again.
    const auto again = codedMessages(176, 144, 2, 20);
    deliver(*peer, again[0], 16);
    deliver(*peer, again[1], 17);
    EXPECT_EQ(sink.pictureCount(kWindow), 6u);
    EXPECT_FALSE(remote.receive(std::chrono::milliseconds(100)));
}

TEST_F(VideoPeerTest, SequenceNumbersWrapWithoutLoss) {
    auto peer = makePeer(176, 144);
    const auto messages = codedMessages(176, 144, 3);
    deliver(*peer, messages[0], 65535);
    deliver(*peer, messages[1], 0);
    deliver(*peer, messages[2], 1);
    EXPECT_EQ(peer->framesLost(), 0u);
    EXPECT_EQ(sink.pictureCount(kWindow), 3u);
}

TEST_F(VideoPeerTest, IgnoresDatagramsFromOthersAndKeepsTheAddress) {
    auto peer = makePeer(176, 144);
    const auto key = codedMessages(176, 144, 1)[0];
    UdpSocket stranger("127.0.0.6");
    auto d = datagrams(key, 1, 5)[0];
    auto wrongId = datagrams(key, 1, 5, 4242)[0];
    auto wrongVersion = d;
    wrongVersion[0] = 0x03;
    auto wrongType = d;
    wrongType[1] = 0x4A;
    const std::vector<uint8_t> shortOne(d.begin(), d.begin() + 12);
    for (const auto& bad : {wrongId, wrongVersion, wrongType, shortOne}) {
        peer->handleDatagram(bad, stranger.local());
    }
    EXPECT_EQ(peer->address().sin_port, htons(remote.port()));
    EXPECT_EQ(sink.messageCount(kWindow, kWmVideoPacket), 0u);
}

// Someone else who knows the party's ID sends its own picture and a loss
// report from another address, over the network, while the receive thread
// runs: nothing of it is shown, counted or answered, and the party's
// frames still go where the call began.
TEST_F(VideoPeerTest, ThePartysIdFromAnotherAddressIsNeitherShownNorFollowed) {
    auto peer = makePeer(176, 144);
    ASSERT_TRUE(peer->start(defaultThreadStarter()));
    const sockaddr_in engine = engineSocket.local();
    UdpSocket hijacker("127.0.0.9");
    for (const auto& d : datagrams(codedMessages(352, 288, 1)[0], 1, 5)) {
        hijacker.sendTo(engine, d);
    }
    VideoReport loss;
    loss.senderId = kPeerId;
    loss.framesLost = 1;
    loss.lostSinceReport = 1;
    hijacker.sendTo(engine, loss.toBytes());

    // The party's own frame, queued behind them on the same socket.
    const auto own = codedMessages(176, 144, 1)[0];
    for (const auto& d : datagrams(own, 2, 10)) remote.sendTo(engine, d);
    ASSERT_TRUE(picturesArrive(sink, kWindow, 1, 3s));
    const auto pictures = sink.pictures(kWindow);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].header.width, 176);
    EXPECT_EQ(sink.messageCount(kWindow, kWmVideoPacket), fragmentCount(own.size()));
    EXPECT_EQ(peer->framesReceived(), 1u);
    EXPECT_EQ(peer->lossReports(), 0);

    const auto frame = datagrams(own, 3, 15)[0];
    peer->send(frame);
    EXPECT_EQ(remote.receiveData(2s), frame);
    EXPECT_EQ(peer->address().sin_addr.s_addr, remote.address());
    EXPECT_EQ(peer->address().sin_port, htons(remote.port()));
    EXPECT_FALSE(hijacker.receive(300ms)) << "no probe, report or frame for the hijacker";
    peer->stop();
}

// A NAT in front of the party may give it a new port: its datagrams from
// there move the sending along.
TEST_F(VideoPeerTest, ANewPortAtThePartysAddressIsFollowed) {
    auto peer = makePeer(176, 144);
    ASSERT_TRUE(peer->start(defaultThreadStarter()));
    UdpSocket rebound("127.0.0.5");
    ASSERT_EQ(rebound.address(), remote.address());
    ASSERT_NE(rebound.port(), remote.port());
    for (const auto& d : datagrams(codedMessages(176, 144, 1)[0], 1, 5)) {
        rebound.sendTo(engineSocket.local(), d);
    }
    ASSERT_TRUE(picturesArrive(sink, kWindow, 1, 3s));

    const auto frame = datagrams(std::vector<uint8_t>(300, 7), 2, 10)[0];
    peer->send(frame);
    EXPECT_EQ(rebound.receiveData(2s), frame);
    EXPECT_FALSE(remote.receiveData(300ms)) << "the old port is left";
    peer->stop();
}

TEST_F(VideoPeerTest, MalformedDatagramsNeverCrashOrDraw) {
    auto peer = makePeer(176, 144);
    std::vector<std::vector<uint8_t>> bad;
    auto frame = [&](std::vector<uint8_t> message, uint8_t count, uint8_t index, uint32_t ts) {
        std::vector<uint8_t> d(kVideoHeaderSize);
        VideoPacketHeader{1, ts, kPeerId, count, index}.writeTo(d.data());
        d.insert(d.end(), message.begin(), message.end());
        bad.push_back(d);
    };
    frame({}, 1, 0, 5);           // header only
    frame({1, 2, 3}, 0, 0, 10);   // no fragments
    frame({1, 2, 3}, 81, 0, 15);  // too many
    frame({1, 2, 3}, 2, 80, 20);  // index out of range
    frame({1, 2, 3}, 2, 5, 25);   // index past the count
    frame({1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 'V', 'P', '8', '0', 1, 2}, 1, 0, 30);  // 65535²
    frame({1, 0, 0, 0, 0, 0, 0, 0, 'V', 'P', '8', '0', 1, 2}, 1, 0, 35);              // 0 × 0
    frame({1, 0, 176, 0, 144, 0}, 1, 0, 40);  // key frame shorter than its prefix
    frame({1, 0, 176, 0, 144, 0, 0, 0, 'V', 'P', '8', '0', 9, 9, 9, 9}, 1, 0, 45);  // not VP8
    frame({0, 1, 2, 3}, 1, 0, 50);  // delta without a decoder
    frame({7, 1, 2, 3}, 1, 0, 55);  // unknown tag
    std::mt19937 random(11);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> d(random() % 1200);
        for (auto& b : d) b = static_cast<uint8_t>(random());
        if (d.size() >= 13) {
            d[0] = 0x02;
            d[1] = 0x48;
            d[8] = kPeerId & 0xFF;
            d[9] = (kPeerId >> 8) & 0xFF;
            d[10] = 0;
            d[11] = 0;
            d[12] = static_cast<uint8_t>(random() % 4);
            d[13] = static_cast<uint8_t>(random() % 4);
        }
        bad.push_back(d);
    }
    for (const auto& d : bad) peer->handleDatagram(d, source);
    EXPECT_EQ(sink.pictureCount(kWindow), 0u);

    // And it still takes a good frame afterwards.
    deliver(*peer, codedMessages(176, 144, 1)[0], 9000);
    EXPECT_EQ(sink.pictureCount(kWindow), 1u);
}

TEST_F(VideoPeerTest, ReopensTheDecompressorOnlyForANewSize) {
    auto peer = makePeer(176, 144);
    deliver(*peer, codedMessages(352, 288, 1)[0], 1);
    EXPECT_EQ(peer->decompressorOpens(), 1u);
    deliver(*peer, codedMessages(176, 144, 1)[0], 2);
    EXPECT_EQ(peer->decompressorOpens(), 2u);
    deliver(*peer, codedMessages(176, 144, 1, 5)[0], 3);
    EXPECT_EQ(peer->decompressorOpens(), 2u);
    const auto pictures = sink.pictures(kWindow);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0].header.width, 352);
    EXPECT_EQ(pictures[2].header.width, 176);
    EXPECT_EQ(pictures[2].width, 176);
}

TEST_F(VideoPeerTest, SoftensOnlyWhenTheDisplayEnlargesByHalf) {
    const auto key = codedMessages(176, 144, 1)[0];
    std::vector<std::vector<uint8_t>> drawn;
    for (auto [w, h] : {std::pair{176, 144}, std::pair{352, 288}, std::pair{264, 144}}) {
        sink.clear();
        auto peer = makePeer(w, h);
        deliver(*peer, key, 1);
        const auto pictures = sink.pictures(kWindow);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].width, w);
        EXPECT_EQ(pictures[0].height, h);
        drawn.push_back(pictures[0].bits);
    }
    std::vector<uint8_t> softened = drawn[0];
    soften(softened.data(), 176, 144);
    EXPECT_NE(drawn[0], softened);
    EXPECT_EQ(drawn[1], softened);
    EXPECT_EQ(drawn[2], softened);
}

TEST_F(VideoPeerTest, DeltaBeforeAnyKeyFrameDrawsNothing) {
    auto peer = makePeer(176, 144);
    const auto messages = codedMessages(176, 144, 2);
    deliver(*peer, messages[1], 1);
    EXPECT_EQ(sink.pictureCount(kWindow), 0u);
    EXPECT_FALSE(remote.receive(std::chrono::milliseconds(100)));
}

TEST_F(VideoPeerTest, AnIncompleteFramePushedOutRedrawsTheLastPicture) {
    auto peer = makePeer(176, 144);
    deliver(*peer, codedMessages(176, 144, 1)[0], 1);  // time stamp 5
    ASSERT_EQ(sink.pictureCount(kWindow), 1u);
    const auto big = std::vector<uint8_t>(1500, 0);
    peer->handleDatagram(datagrams(big, 2, 10)[0], source);  // half of t=10
    peer->handleDatagram(datagrams(big, 3, 15)[0], source);  // takes the slot of t=5
    EXPECT_EQ(sink.pictureCount(kWindow), 1u);
    peer->handleDatagram(datagrams(big, 4, 20)[0], source);  // pushes out t=10
    EXPECT_EQ(sink.pictureCount(kWindow), 2u);
}

TEST_F(VideoPeerTest, ACodecFaultIsAFailedDecode) {
    auto peer = makePeer(176, 144, kFaultyHandler);
    const auto messages = codedMessages(176, 144, 2);
    deliver(*peer, messages[0], 1);
    deliver(*peer, messages[1], 2);
    EXPECT_EQ(peer->framesReceived(), 2u);
    EXPECT_EQ(sink.pictureCount(kWindow), 0u);
    peer->release();
}

TEST_F(VideoPeerTest, ProbesUntilThePartyIsHeard) {
    auto peer = makePeer(176, 144);
    ASSERT_TRUE(peer->start(defaultThreadStarter()));
    const auto probe = remote.receive(std::chrono::milliseconds(2000));
    peer->stop();
    ASSERT_TRUE(probe);
    const std::vector<uint8_t> head(probe->begin(), probe->begin() + 4);
    EXPECT_EQ(head, (std::vector<uint8_t>{0x0A, 0x48, 0, 0}));
    const std::vector<uint8_t> tail(probe->begin() + 8, probe->end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0xE9, 0x03, 0, 0, 1, 0, 4, 0, 0, 0,
                                          0,    0,    0, 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace zemra::vid
