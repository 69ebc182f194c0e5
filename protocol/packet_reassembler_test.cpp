#include "protocol/packet_reassembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

// A packet whose body bytes count up from `seed`, so that any mix-up shows.
Bytes makePacket(uint16_t type, std::size_t bodySize, uint8_t seed = 0) {
    Bytes p = handMade(type, kHeaderSize + bodySize);
    for (std::size_t i = 0; i < bodySize; ++i) p[kHeaderSize + i] = static_cast<uint8_t>(seed + i);
    return p;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::span<const uint8_t> slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return std::span<const uint8_t>(bytes).subspan(from, count);
}

class ReassemblerTest : public ::testing::Test {
  protected:
    void record(uint16_t type, std::span<const uint8_t> packet) {
        types.push_back(type);
        packets.emplace_back(packet.begin(), packet.end());
    }

    std::vector<uint16_t> types;
    std::vector<Bytes> packets;
    PacketReassembler reassembler{
        [this](uint16_t type, std::span<const uint8_t> packet) { record(type, packet); }};
};

TEST_F(ReassemblerTest, TwoPacketsInOneReadAreDispatchedInOrder) {
    const Bytes first = makePacket(PT_MESSAGE, 352, 1);
    const Bytes second = makePacket(PT_CONTACT_ONLINE, 12, 2);
    EXPECT_TRUE(reassembler.onRead(concat({first, second})));
    EXPECT_EQ(types, (std::vector<uint16_t>{1164, 211}));
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0], first);
    EXPECT_EQ(packets[1], second);
    EXPECT_EQ(reassembler.held(), 0u);
}

TEST_F(ReassemblerTest, PacketOverThreeReadsIsDispatchedOnceAfterTheThird) {
    const Bytes packet = makePacket(PT_LOGIN_OK, 300, 3);
    reassembler.onRead(slice(packet, 0, 7));  // not even a whole header
    EXPECT_EQ(reassembler.held(), 7u);
    reassembler.onRead(slice(packet, 7, 200));
    EXPECT_TRUE(packets.empty());
    reassembler.onRead(slice(packet, 207, packet.size() - 207));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], packet);
    EXPECT_EQ(reassembler.held(), 0u);
}

TEST_F(ReassemblerTest, LargestBodyIsAccepted) {
    const Bytes packet = makePacket(PT_SEARCH_RESULT, kMaxBodyLength, 4);
    EXPECT_TRUE(reassembler.onRead(slice(packet, 0, PacketReassembler::kMaxRead)));
    EXPECT_TRUE(packets.empty());
    reassembler.onRead(slice(packet, PacketReassembler::kMaxRead, 20));
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], packet);
}

TEST_F(ReassemblerTest, BodyOf10241BytesDropsWhatIsHeld) {
    const Bytes huge = makePacket(PT_LOGIN_OK, kMaxBodyLength + 1, 5);
    reassembler.onRead(slice(huge, 0, PacketReassembler::kMaxRead));
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(reassembler.held(), 0u);

    const Bytes next = makePacket(PT_CONTACT_OFFLINE, 12, 6);
    reassembler.onRead(next);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], next);
}

TEST_F(ReassemblerTest, HugeLengthInALaterPacketOfTheSameReadIsCaught) {
    const Bytes good = makePacket(PT_CALL_ENDED, 0);
    Bytes bad = makePacket(PT_MESSAGE, 100, 7);
    put32(bad, 12, 0x7FFFFFF0);
    reassembler.onRead(concat({good, bad}));
    EXPECT_EQ(types, (std::vector<uint16_t>{236}));
    EXPECT_EQ(reassembler.held(), 0u);

    // Keep feeding what would be the bad packet's body: nothing may pile up.
    const Bytes filler(PacketReassembler::kMaxRead, 0x5A);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(reassembler.onRead(filler));
        EXPECT_LT(reassembler.held(), kMaxPacketSize);
    }

    const Bytes next = makePacket(PT_CALL_ANSWER, 4, 8);
    reassembler.onRead(next);
    EXPECT_EQ(types, (std::vector<uint16_t>{236, 231}));
    EXPECT_EQ(packets.back(), next);
}

TEST_F(ReassemblerTest, HugeLengthCompletedByTheNextReadIsCaught) {
    const Bytes good = makePacket(PT_CALL_ENDED, 0);
    Bytes bad = makePacket(PT_MESSAGE, 100, 7);
    put32(bad, 12, 20000);
    const Bytes stream = concat({good, bad});
    reassembler.onRead(slice(stream, 0, 30));  // the bad header is cut after 10 bytes
    EXPECT_EQ(reassembler.held(), 10u);
    reassembler.onRead(slice(stream, 30, 50));
    EXPECT_EQ(reassembler.held(), 0u);

    const Bytes next = makePacket(PT_REGISTERED, 12, 9);
    reassembler.onRead(next);
    EXPECT_EQ(types, (std::vector<uint16_t>{236, 288}));
}

TEST_F(ReassemblerTest, RefusesEmptyAndOversizedReads) {
    EXPECT_FALSE(reassembler.onRead({}));
    const Bytes tooMuch(PacketReassembler::kMaxRead + 1, 0);
    EXPECT_FALSE(reassembler.onRead(tooMuch));
    EXPECT_EQ(reassembler.held(), 0u);
}

TEST_F(ReassemblerTest, ReadsThroughAReadFunction) {
    const Bytes stream = concat({makePacket(PT_DETAILS, 252, 1), makePacket(PT_LOGIN_FAILED, 4)});
    std::size_t offered = 0;
    std::size_t capacitySeen = 0;
    auto read = [&](uint8_t* into, std::size_t capacity) -> std::ptrdiff_t {
        capacitySeen = capacity;
        const std::size_t n = std::min<std::size_t>(100, stream.size() - offered);
        std::memcpy(into, stream.data() + offered, n);
        offered += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    while (offered < stream.size()) ASSERT_TRUE(reassembler.readFrom(read));
    EXPECT_EQ(capacitySeen, PacketReassembler::kMaxRead);
    EXPECT_EQ(types, (std::vector<uint16_t>{261, 201}));
    EXPECT_EQ(packets[0], makePacket(PT_DETAILS, 252, 1));

    EXPECT_FALSE(reassembler.readFrom([](uint8_t*, std::size_t) { return std::ptrdiff_t{0}; }));
    EXPECT_FALSE(reassembler.readFrom([](uint8_t*, std::size_t) { return std::ptrdiff_t{-1}; }));
    EXPECT_FALSE(reassembler.readFrom(
        [](uint8_t*, std::size_t capacity) { return static_cast<std::ptrdiff_t>(capacity + 1); }));
    EXPECT_EQ(reassembler.held(), 0u);
}

TEST(ReassemblerNestingTest, BytesFedFromTheHandlerFollowInOrder) {
    const Bytes a = makePacket(PT_MESSAGE, 352, 1);
    const Bytes b = makePacket(PT_MESSAGE, 352, 2);
    const Bytes c = makePacket(PT_CONTACT_ONLINE, 12, 3);
    std::vector<Bytes> seen;
    bool fedC = false;
    std::unique_ptr<PacketReassembler> reassembler;
    reassembler =
        std::make_unique<PacketReassembler>([&](uint16_t, std::span<const uint8_t> packet) {
            const Bytes before(packet.begin(), packet.end());
            if (!fedC) {
                fedC = true;
                // A send inside the handler lets the next read arrive early.
                EXPECT_TRUE(reassembler->onRead(c));
            }
            // The packet being handled is untouched by the nested read.
            EXPECT_EQ(Bytes(packet.begin(), packet.end()), before);
            seen.push_back(before);
        });
    reassembler->onRead(concat({a, b}));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], a);
    EXPECT_EQ(seen[1], b);
    EXPECT_EQ(seen[2], c);
    EXPECT_EQ(reassembler->held(), 0u);
}

TEST(ReassemblerNestingTest, HandlerMayDestroyTheReassembler) {
    // The connection can close while a handler waits in a send.
    int calls = 0;
    std::unique_ptr<PacketReassembler> reassembler;
    reassembler = std::make_unique<PacketReassembler>([&](uint16_t, std::span<const uint8_t>) {
        ++calls;
        reassembler.reset();
    });
    PacketReassembler* raw = reassembler.get();
    raw->onRead(concat({makePacket(PT_CALL_ENDED, 0), makePacket(PT_CALL_ENDED, 0)}));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reassembler, nullptr);
}

}  // namespace
}  // namespace zemra::protocol
