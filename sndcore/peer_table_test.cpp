#include "sndcore/peer_table.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <list>

#include "sndcore/audio_packet.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"

namespace zemra::snd {
namespace {

using namespace std::chrono_literals;
using testing::MessageLog;
using testing::UdpSocket;

constexpr uint32_t kPeer = 4242;
constexpr WindowHandle kWindow = 77;

// Decoded sound as the mixer would get it.
class RecordingSink : public PeerSoundSink {
  public:
    void writePeer(int slot, const uint8_t* pcm, size_t bytes) override {
        std::lock_guard lock(mutex_);
        writes_.push_back({slot, std::vector<uint8_t>(pcm, pcm + bytes)});
        changed_.notify_all();
    }
    void clearPeer(int slot) override {
        std::lock_guard lock(mutex_);
        clearedSlots_.push_back(slot);
    }
    std::vector<int> clearedSlots() {
        std::lock_guard lock(mutex_);
        return clearedSlots_;
    }
    bool waitFor(size_t n, std::chrono::milliseconds limit = 3s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return writes_.size() >= n; });
    }
    std::vector<std::pair<int, std::vector<uint8_t>>> writes() {
        std::lock_guard lock(mutex_);
        return writes_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int, std::vector<uint8_t>>> writes_;
    std::vector<int> clearedSlots_;
};

std::vector<uint8_t> datagram(uint32_t timestamp, uint32_t source,
                              std::span<const uint8_t> payload = {}, uint8_t byte0 = 0x02) {
    std::vector<uint8_t> d(kAudioHeaderBytes);
    writeAudioHeader({7, timestamp, source}, std::span<uint8_t, kAudioHeaderBytes>(d.data(), 12));
    d[0] = byte0;
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

class PeerTableTest : public ::testing::Test {
  protected:
    AudioPeer::Params params(const UdpSocket& own, const UdpSocket& remote, uint32_t id = kPeer) {
        AudioPeer::Params p;
        p.peerId = id;
        p.address = remote.address();
        p.port = remote.port();
        p.socket = own.fd();
        p.window = kWindow;
        return p;
    }

    // Coded 40 ms of a tone, from a coder of its own.
    std::array<uint8_t, 40> coded(double hz, size_t buffer) {
        return *encoder_.encode(testing::sinePcm(320, hz, 9000, 8000, buffer * 320).data(), 640);
    }

    std::vector<MessageLog::Posted> levelsOf(uint32_t peer) {
        std::vector<MessageLog::Posted> out;
        for (const auto& m : log_.posted()) {
            if (m.message == kWmAudioLevel && m.lParam == intptr_t(peer)) out.push_back(m);
        }
        return out;
    }

    MessageLog log_;
    CodecNameTable names_{testing::EngineInstance::buildDirectory()};
    SpeechCodecSlot encoder_{names_};
    RecordingSink sink_;
    UdpSocket own_{"127.0.0.1"};
    UdpSocket remote_{"127.0.0.2"};
};

TEST_F(PeerTableTest, PacketsArePlayedInTimeStampOrder) {
    const auto p0 = coded(500, 0), p40 = coded(1000, 1), p80 = coded(1500, 2);
    // Queued on the socket before the party's thread looks: 80, 0, 40.
    remote_.sendTo(own_, datagram(80, kPeer, p80));
    remote_.sendTo(own_, datagram(0, kPeer, p0));
    remote_.sendTo(own_, datagram(40, kPeer, p40));
    PeerTable table(names_, sink_);
    ASSERT_TRUE(table.add(params(own_, remote_)));
    ASSERT_TRUE(sink_.waitFor(3));

    SpeechCodecSlot reference(names_);
    const auto writes = sink_.writes();
    ASSERT_EQ(writes.size(), 3u);
    const std::array<std::array<uint8_t, 40>, 3> order = {p0, p40, p80};
    for (size_t i = 0; i < 3; ++i) {
        const auto expected = reference.decode(order[i].data(), 40);
        EXPECT_EQ(writes[i].first, 0);
        EXPECT_TRUE(std::equal(expected->begin(), expected->end(), writes[i].second.begin()))
            << "packet " << i;
    }
    // A level per decoded packet, then zeros while the party is silent.
    ASSERT_TRUE(log_.waitUntil([&](const auto&) { return levelsOf(kPeer).size() >= 6; }, 2s));
    const auto levels = levelsOf(kPeer);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(levels[i].window, kWindow);
        EXPECT_EQ(levels[i].wParam, meanAbsoluteLevel(writes[i].second.data(), 640));
    }
    EXPECT_EQ(levels[3].wParam, 0u);
    EXPECT_EQ(levels[5].wParam, 0u);
}

// A NAT in front of the party may give it a new port: even a header-only
// packet from there moves the sending along, without making a sound.
TEST_F(PeerTableTest, AHeaderOnlyPacketFromANewPortMovesTheSendingButMakesNoSound) {
    PeerTable table(names_, sink_);
    UdpSocket stale("127.0.0.2");
    ASSERT_NE(stale.port(), remote_.port());
    ASSERT_TRUE(table.add(params(own_, stale)));
    EXPECT_EQ(ntohs(table.addressOf(kPeer).sin_port), stale.port());

    // The party's own address with another ID or other version bits changes nothing.
    const auto payload = coded(1000, 0);
    remote_.sendTo(own_, datagram(0, kPeer + 1, payload));
    remote_.sendTo(own_, datagram(0, kPeer, payload, 0x80));
    remote_.sendTo(own_, datagram(0, kPeer, payload, 0x03));
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(ntohs(table.addressOf(kPeer).sin_port), stale.port());

    remote_.sendTo(own_, datagram(0, kPeer));
    ASSERT_TRUE(log_.waitUntil(
        [&](const auto&) { return ntohs(table.addressOf(kPeer).sin_port) == remote_.port(); }, 2s));
    EXPECT_EQ(table.addressOf(kPeer).sin_addr.s_addr, remote_.address());
    std::this_thread::sleep_for(150ms);
    EXPECT_TRUE(sink_.writes().empty());
    for (const auto& level : levelsOf(kPeer)) EXPECT_EQ(level.wParam, 0u);

    // Packets now go to the new port, and no longer to the old one.
    const uint8_t probe[] = {1, 2, 3};
    table.sendToAll(probe, sizeof probe);
    const auto got = remote_.receive(2s);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), 3u);
    EXPECT_FALSE(stale.receive(300ms).has_value());
}

// Someone who knows the party's ID sends sound from another address: none
// of it is decoded or played, and the party's packets still go where the
// call began.
TEST_F(PeerTableTest, ThePartysIdFromAnotherAddressIsNeitherPlayedNorFollowed) {
    PeerTable table(names_, sink_);
    ASSERT_TRUE(table.add(params(own_, remote_)));
    UdpSocket hijacker("127.0.0.9");
    for (uint32_t i = 0; i < 6; ++i) {
        hijacker.sendTo(own_, datagram(40 * i, kPeer, coded(1500, i)));
    }
    // The party itself, queued behind them on the same socket.
    const std::array<std::array<uint8_t, 40>, 3> own = {coded(500, 0), coded(500, 1),
                                                        coded(500, 2)};
    for (uint32_t i = 0; i < own.size(); ++i) remote_.sendTo(own_, datagram(40 * i, kPeer, own[i]));
    ASSERT_TRUE(sink_.waitFor(own.size()));
    std::this_thread::sleep_for(200ms);

    // Only the party's sound, decoded by a codec that never saw the other packets.
    SpeechCodecSlot reference(names_);
    const auto writes = sink_.writes();
    ASSERT_EQ(writes.size(), own.size());
    for (size_t i = 0; i < own.size(); ++i) {
        const auto expected = reference.decode(own[i].data(), 40);
        EXPECT_TRUE(std::equal(expected->begin(), expected->end(), writes[i].second.begin()))
            << "packet " << i;
    }

    const uint8_t probe[] = {1, 2, 3};
    table.sendToAll(probe, sizeof probe);
    const auto got = remote_.receive(2s);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), 3u);
    EXPECT_EQ(table.addressOf(kPeer).sin_addr.s_addr, remote_.address());
    EXPECT_EQ(ntohs(table.addressOf(kPeer).sin_port), remote_.port());
    EXPECT_FALSE(hijacker.receive(300ms).has_value());
}

TEST_F(PeerTableTest, ReceiveMuteAndBadPayloadsMakeNoSound) {
    PeerTable table(names_, sink_);
    ASSERT_TRUE(table.add(params(own_, remote_)));
    table.setReceiveMute(kPeer, 1);
    for (uint32_t i = 0; i < 5; ++i) remote_.sendTo(own_, datagram(40 * i, kPeer, coded(800, i)));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(sink_.writes().empty());

    table.setReceiveMute(kPeer, 0);
    // A payload the codec cannot take is dropped when its turn comes; one
    // too large for a datagram of ours is not even queued.
    remote_.sendTo(own_, datagram(0, kPeer, std::vector<uint8_t>(39, 1)));
    std::vector<uint8_t> huge = datagram(0, kPeer, std::vector<uint8_t>(2000, 1));
    remote_.sendTo(own_, huge);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(sink_.writes().empty());
    for (const auto& level : levelsOf(kPeer)) EXPECT_EQ(level.wParam, 0u);

    remote_.sendTo(own_, datagram(0, kPeer, coded(800, 0)));
    EXPECT_TRUE(sink_.waitFor(1));
}

TEST_F(PeerTableTest, SixteenSlotsOnePerParty) {
    PeerTable table(names_, sink_);
    std::list<UdpSocket> sockets;
    for (uint32_t i = 0; i < PeerTable::kSlots; ++i) {
        sockets.emplace_back("127.0.0.1");
        ASSERT_TRUE(table.add(params(sockets.back(), remote_, 100 + i)));
        EXPECT_EQ(table.slotOf(100 + i), int(i));
    }
    UdpSocket extra("127.0.0.1");
    EXPECT_FALSE(table.add(params(extra, remote_, 999)));
    // The encoder above holds one codec: the last party has none.
    EXPECT_TRUE(table.hasCodec(100 + 14));
    EXPECT_FALSE(table.hasCodec(100 + 15));

    EXPECT_FALSE(table.remove(999));
    ASSERT_TRUE(table.remove(100));
    // Slot 0 is free now; party 101 sits after it and is still refused a second slot.
    EXPECT_FALSE(table.add(params(extra, remote_, 101)));
    ASSERT_TRUE(table.add(params(extra, remote_, 999)));
    EXPECT_EQ(table.slotOf(999), 0);
    // The slot changed hands: the previous party's sound is thrown away first.
    EXPECT_EQ(sink_.clearedSlots().back(), 0);
    table.removeAll();
    EXPECT_EQ(table.slotOf(999), -1);
    EXPECT_TRUE(names_.isFree(1));
}

TEST_F(PeerTableTest, APartyWhoseThreadCannotStartIsNotAdded) {
    PeerTable table(names_, sink_, [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_FALSE(table.add(params(own_, remote_)));
    EXPECT_EQ(table.slotOf(kPeer), -1);
    EXPECT_TRUE(names_.isFree(1)) << "its codec is given back";
    EXPECT_EQ(
        log_.boxes(),
        (std::vector<std::pair<std::string, std::string>>{{"程序线程启动出错", " 声音模块"}}));
}

}  // namespace
}  // namespace zemra::snd
