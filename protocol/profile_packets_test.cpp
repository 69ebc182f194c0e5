#include "protocol/profile_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

const UserProfile kProfile{
    90001,         "nick",     12,        "a@b.cn",           1,      "\xBA\xFE\xB1\xB1",
    "Wuhan",       "027-1234", 33,        kVisibilityFriends, "pass", "China",
    "http://x.cn", "hello",    "10.1.2.3"};

// The fields registration and modification share, for kProfile.
Bytes profileWire(uint16_t type, uint32_t userId) {
    Bytes wire = handMade(type, 272);
    put32(wire, 24, userId);
    putText(wire, 29, "nick");
    put16(wire, 40, 12);
    putText(wire, 43, "a@b.cn");
    put16(wire, 74, 1);
    putText(wire, 77, "\xBA\xFE\xB1\xB1");  // 湖北
    putText(wire, 98, "Wuhan");
    putText(wire, 119, "027-1234");
    put16(wire, 136, 33);
    put16(wire, 140, 1);
    putText(wire, 143, "pass");
    putText(wire, 154, "China");
    putText(wire, 175, "http://x.cn");
    putText(wire, 196, "hello");
    return wire;
}

TEST(ProfilePacketsTest, Registration) {
    Bytes wire = profileWire(198, 0);  // no ID before the server assigns one
    putText(wire, 253, "10.1.2.3");
    expectBytes(buildRegister(kProfile), wire);
    UserProfile parsed = kProfile;
    parsed.userId = 0;
    EXPECT_EQ(parseProfile(wire), parsed);
}

TEST(ProfilePacketsTest, ModifyRequestCarriesIdAndLeavesTheTailEmpty) {
    const Bytes wire = profileWire(171, 90001);
    expectBytes(buildSetDetails(kProfile), wire);
    UserProfile parsed = kProfile;
    parsed.localIp.clear();
    EXPECT_EQ(parseProfile(wire), parsed);
}

TEST(ProfilePacketsTest, LongFieldsNeverRunIntoTheNext) {
    UserProfile u;
    u.nickname = repeat("n", 30);
    u.email = repeat("e", 40);
    u.province = repeat("p", 30);
    u.city = repeat("c", 30);
    u.phone = repeat("9", 30);
    u.age = 0x7777;
    u.visibility = 2;
    u.password = repeat("w", 30);
    u.country = repeat("k", 30);
    u.homePage = repeat("h", 30);
    u.description = repeat("d", 60);
    u.localIp = repeat("1", 30);
    const Bytes p = buildRegister(u);
    EXPECT_EQ(textAt(p, 29), repeat("n", 10));
    EXPECT_EQ(textAt(p, 43), repeat("e", 30));
    EXPECT_EQ(textAt(p, 77), repeat("p", 19));
    EXPECT_EQ(textAt(p, 98), repeat("c", 14));
    EXPECT_EQ(textAt(p, 119), repeat("9", 15));
    EXPECT_EQ(le16(p, 136), 0x7777);
    EXPECT_EQ(le16(p, 140), 2);
    EXPECT_EQ(textAt(p, 143), repeat("w", 10));
    EXPECT_EQ(textAt(p, 154), repeat("k", 19));
    EXPECT_EQ(textAt(p, 175), repeat("h", 20));
    EXPECT_EQ(textAt(p, 196), repeat("d", 40));
    EXPECT_EQ(textAt(p, 253), repeat("1", 15));
    for (std::size_t at = 237; at < 253; ++at) EXPECT_EQ(p[at], 0) << at;
}

TEST(ProfilePacketsTest, Details) {
    Bytes wire = handMade(261, 272);
    put32(wire, 24, 70000);
    putText(wire, 29, " nick");
    put16(wire, 40, 9);
    putText(wire, 43, "m@x.cn");
    put16(wire, 74, 1);
    putText(wire, 77, "prov");
    putText(wire, 98, "city");
    putText(wire, 119, "555");
    put16(wire, 136, 41);
    putText(wire, 139, "UK");
    putText(wire, 160, "http://h");
    putText(wire, 181, "about me");
    const UserDetails details{70000,  " nick", 9,  "m@x.cn", 1,          "prov",
                              "city", "555",   41, "UK",     "http://h", "about me"};
    expectBytes(buildDetails(details), wire);
    EXPECT_EQ(parseDetails(wire), details);

    UserDetails full = details;
    full.country = repeat("k", 30);
    full.homePage = repeat("h", 30);
    full.description = repeat("d", 60);
    const Bytes cut = buildDetails(full);
    EXPECT_EQ(textAt(cut, 139), repeat("k", 19));
    EXPECT_EQ(textAt(cut, 160), repeat("h", 20));
    EXPECT_EQ(textAt(cut, 181), repeat("d", 40));
}

}  // namespace
}  // namespace zemra::protocol
