#include "protocol/packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(PacketBuilderTest, WritesHeaderAndZeroesTheRest) {
    expectBytes(PacketBuilder(PT_CALL_TEXT, 432).take(), handMade(151, 432));
    expectBytes(PacketBuilder(PT_ANNOUNCE, 3).take(), handMade(155, 20));
}

TEST(PacketBuilderTest, WritesLittleEndianAndAddressBytesAsGiven) {
    PacketBuilder builder(PT_LOGIN, 40);
    builder.u8(20, 0xAB);
    builder.u16(22, 0x1234);
    builder.u32(24, 0x89ABCDEF);
    const uint8_t address[4] = {192, 168, 0, 7};
    uint32_t networkOrder;
    std::memcpy(&networkOrder, address, 4);
    builder.ipv4(28, networkOrder);
    const Bytes p = std::move(builder).take();
    EXPECT_EQ(p[20], 0xAB);
    EXPECT_EQ(p[22], 0x34);
    EXPECT_EQ(p[23], 0x12);
    EXPECT_EQ(p[24], 0xEF);
    EXPECT_EQ(p[27], 0x89);
    EXPECT_EQ(p[28], 192);
    EXPECT_EQ(p[29], 168);
    EXPECT_EQ(p[30], 0);
    EXPECT_EQ(p[31], 7);
}

TEST(PacketBuilderTest, TextIsCutToFieldOnCharacterBoundary) {
    PacketBuilder builder(PT_LOGIN, 40);
    // Ten bytes of room: "a" and four characters fit, the fifth would be split.
    builder.text({24, 11}, "a" + repeat(kZhong, 5));
    const Bytes p = std::move(builder).take();
    EXPECT_EQ(textAt(p, 24), "a" + repeat(kZhong, 4));
    EXPECT_EQ(p[33], 0);
    EXPECT_EQ(p[34], 0);
    EXPECT_EQ(p[35], 0);
}

TEST(PacketViewTest, ReadsHeader) {
    Bytes p = handMade(PT_LOGIN_OK, 64);
    const PacketHeader header = PacketView(p).header();
    EXPECT_EQ(header.version, 10009);
    EXPECT_EQ(header.type, 202);
    EXPECT_EQ(header.bodyLength, 44u);
    EXPECT_EQ(PacketView(p).type(), 202);

    p.resize(13);  // body length cut in half
    EXPECT_EQ(PacketView(p).header().bodyLength, 0u);
    EXPECT_EQ(PacketView(p).type(), 202);
}

TEST(PacketViewTest, FieldsPastTheEndReadAsZeroOrEmpty) {
    Bytes p(30, 0);
    put32(p, 24, 77);
    putText(p, 26, "xyz");  // overwrites the high half of the u32
    const PacketView view(p);
    EXPECT_EQ(view.u32(24), static_cast<uint32_t>(77 | ('x' << 16) | ('y' << 24)));
    EXPECT_EQ(view.u32(26), static_cast<uint32_t>('x' | ('y' << 8) | ('z' << 16)));
    EXPECT_EQ(view.u32(27), 0u);  // needs byte 30
    EXPECT_EQ(view.u16(29), 0);
    EXPECT_EQ(view.u8(30), 0);
    EXPECT_EQ(view.u32(SIZE_MAX - 1), 0u);
    EXPECT_EQ(view.text({26, 4}), "xyz");
    EXPECT_EQ(view.text({26, 5}), "");  // the field would end past the packet
    EXPECT_EQ(view.text({SIZE_MAX, 2}), "");
}

}  // namespace
}  // namespace zemra::protocol
