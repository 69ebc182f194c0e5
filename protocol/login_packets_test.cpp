#include "protocol/login_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(LoginPacketsTest, Login) {
    Bytes wire = handMade(101, 76);
    put32(wire, 24, 123456);
    putText(wire, 29, "secret");
    putText(wire, 40, "192.168.100.200");
    put16(wire, 56, 1);
    putText(wire, 59, "qh4vn8tzr2");
    put16(wire, 70, 2);
    const LoginRequest login{123456, "secret", "192.168.100.200", true, "qh4vn8tzr2", 2};
    expectBytes(buildLogin(login), wire);
    EXPECT_EQ(parseLogin(wire), login);

    // Cut inside the client key: the key is lost, what lies before stays.
    wire.resize(65);
    const LoginRequest cut = parseLogin(wire);
    EXPECT_EQ(cut.localIp, "192.168.100.200");
    EXPECT_EQ(cut.clientKey, "");
    EXPECT_EQ(cut.connectionType, 0);
}

TEST(LoginPacketsTest, LoginCutsLongTexts) {
    const Bytes p = buildLogin({1, "0123456789ABC", "255.255.255.255.255"});
    EXPECT_EQ(textAt(p, 29), "0123456789");
    EXPECT_EQ(textAt(p, 40), "255.255.255.255");
    EXPECT_EQ(textAt(p, 59), "qh4vn8tzr2");
}

TEST(LoginPacketsTest, LoginAnswer) {
    Bytes wire = handMade(202, 64 + 2 * 32);
    put32(wire, 24, 5000);
    putText(wire, 29, "  me ");
    put16(wire, 44, 84);
    put16(wire, 48, 2);
    put32(wire, 64, 6001);
    putText(wire, 69, "ann");
    put16(wire, 80, 3);
    put16(wire, 84, 1);
    put16(wire, 88, 10);
    put32(wire, 96, 6002);
    putText(wire, 101, "bob");
    put16(wire, 112, 7);
    put16(wire, 120, 12);
    const LoginAccepted answer{
        5000, "  me ", 84, {{6001, "ann", 3, true, 10}, {6002, "bob", 7, false, 12}}};
    expectBytes(buildLoginAccepted(answer), wire);
    EXPECT_EQ(parseLoginAccepted(wire), answer);
}

TEST(LoginPacketsTest, LoginAnswerLeavesOutContactsBeyondTheLargestBody) {
    LoginAccepted answer;
    answer.contacts.resize(400, ContactRecord{1, "x", 0, true, 10});
    const Bytes p = buildLoginAccepted(answer);
    ASSERT_EQ(p.size(), 64u + 318 * 32);
    EXPECT_EQ(le32(p, 12), p.size() - 20);
    EXPECT_LE(le32(p, 12), 10240u);
    EXPECT_EQ(le16(p, 48), 318);
}

TEST(LoginPacketsTest, LoginAnswerCountIsBoundedByThePacket) {
    Bytes wire = handMade(PT_LOGIN_OK, 64 + 2 * 32 + 31);
    put16(wire, 48, 65535);
    put32(wire, 64, 1);
    put32(wire, 96, 2);
    put32(wire, 128, 3);  // third record is one byte short
    const LoginAccepted answer = parseLoginAccepted(wire);
    ASSERT_EQ(answer.contacts.size(), 2u);
    EXPECT_EQ(answer.contacts[1].userId, 2u);

    put16(wire, 48, 1);
    EXPECT_EQ(parseLoginAccepted(wire).contacts.size(), 1u);
    wire.resize(50);
    EXPECT_TRUE(parseLoginAccepted(wire).contacts.empty());
}

TEST(LoginPacketsTest, Capabilities) {
    Bytes wire = handMade(111, 40);
    put32(wire, 32, 1);
    expectBytes(buildCapabilities({false, true}), wire);
    EXPECT_EQ(parseCapabilities(wire), (Capabilities{false, true}));
}

TEST(LoginPacketsTest, AwayText) {
    Bytes wire = handMade(141, 62);
    putText(wire, 21, "out for lunch");
    expectBytes(buildAwayText("out for lunch"), wire);
    EXPECT_EQ(parseAwayText(wire), "out for lunch");

    EXPECT_EQ(textAt(buildAwayText(repeat(kZhong, 25)), 21), repeat(kZhong, 20));
}

}  // namespace
}  // namespace zemra::protocol
