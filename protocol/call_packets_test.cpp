#include "protocol/call_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(CallPacketsTest, CallRequest) {
    Bytes wire = handMade(131, 36);
    put32(wire, 24, 10001);
    put16(wire, 30, 1);
    expectBytes(buildCallRequest(10001), wire);
    EXPECT_EQ(parseCallRequest(wire), 10001u);
}

TEST(CallPacketsTest, CallText) {
    Bytes wire = handMade(151, 432);
    put32(wire, 24, 321);
    putText(wire, 29, "hi there");
    const CallText line{321, "hi there"};
    expectBytes(buildCallText(line), wire);
    EXPECT_EQ(parseCallText(wire), line);

    const Bytes longest = buildCallText({1, "y" + repeat(kZhong, 201)});  // 403 bytes
    EXPECT_EQ(textAt(longest, 29), "y" + repeat(kZhong, 200));
}

TEST(CallPacketsTest, CallTextIn) {
    Bytes wire = handMade(251, 464);
    put32(wire, 24, 654);
    putText(wire, 29, "partner");
    putText(wire, 60, "hello");
    const CallTextIn line{654, "partner", "hello"};
    expectBytes(buildCallTextIn(line), wire);
    EXPECT_EQ(parseCallTextIn(wire), line);

    const Bytes longest = buildCallTextIn({1, repeat("n", 20), repeat("t", 500)});
    EXPECT_EQ(textAt(longest, 29), repeat("n", 10));
    EXPECT_EQ(textAt(longest, 60), repeat("t", 402));
}

TEST(CallPacketsTest, CallNote) {
    Bytes wire = handMade(232, 62);
    putText(wire, 21, "call me later");
    expectBytes(buildCallNote("call me later"), wire);
    EXPECT_EQ(parseCallNote(wire), "call me later");
}

TEST(CallPacketsTest, CallIncomingAndWithdrawn) {
    Bytes incoming = handMade(233, 52);
    put32(incoming, 24, 888);
    putText(incoming, 29, "caller");
    put32(incoming, 40, 0x11111111);
    put32(incoming, 48, 0x22222222);
    const CallIncoming call{888, "caller", 0x11111111, 0x22222222};
    expectBytes(buildCallIncoming(call), incoming);
    EXPECT_EQ(parseCallIncoming(incoming), call);

    Bytes withdrawn = handMade(234, 40);
    put32(withdrawn, 24, 889);
    putText(withdrawn, 29, "0123456789");
    expectBytes(buildCallWithdrawn({889, "0123456789"}), withdrawn);
    EXPECT_EQ(parseCallWithdrawn(withdrawn), (CallWithdrawn{889, "0123456789"}));
}

TEST(CallPacketsTest, CallConnected) {
    Bytes wire = handMade(235, 64);
    wire[24] = 203;
    wire[26] = 113;
    wire[27] = 9;
    put32(wire, 32, 3010);
    put32(wire, 40, 3021);
    put32(wire, 48, 4711);
    putText(wire, 53, "peer");
    const CallConnected call{ipv4Value(203, 0, 113, 9), 3010, 3021, 4711, "peer"};
    expectBytes(buildCallConnected(call), wire);
    EXPECT_EQ(parseCallConnected(wire), call);
}

}  // namespace
}  // namespace zemra::protocol
