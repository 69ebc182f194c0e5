#include "protocol/simple_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(SimplePacketsTest, HeaderOnly) {
    for (uint16_t type : {PT_ANNOUNCE, PT_GO_INVISIBLE, PT_ADD_POLICY_NOBODY, PT_CALL_ENDED}) {
        expectBytes(buildHeaderOnly(type), handMade(type, 20));
    }
}

TEST(SimplePacketsTest, UserIdAt24) {
    Bytes wire = handMade(PT_CALL_HANGUP, 32);
    put32(wire, 24, 0xA1B2C3D4);
    expectBytes(buildUserIdPacket(PT_CALL_HANGUP, 0xA1B2C3D4), wire);
    EXPECT_EQ(parseUserId(wire), 0xA1B2C3D4);
    wire.resize(27);
    EXPECT_EQ(parseUserId(wire), 0u);
}

TEST(SimplePacketsTest, SubCodeAt22) {
    Bytes wire = handMade(PT_LOGIN_FAILED, 24);
    put16(wire, 22, 11);
    expectBytes(buildSubCodePacket(PT_LOGIN_FAILED, 11), wire);
    EXPECT_EQ(parseSubCode(wire), 11);
    wire.resize(23);
    EXPECT_EQ(parseSubCode(wire), 0);
}

}  // namespace
}  // namespace zemra::protocol
