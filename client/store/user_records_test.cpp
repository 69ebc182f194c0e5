#include "client/store/user_records.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace zemra::store {
namespace {

template <typename Record>
Record roundTrip(const Record& in) {
    RecordWriter w;
    in.serialize(w);
    RecordReader r(w.bytes());
    Record out;
    out.deserialize(r);
    return out;
}

std::vector<uint8_t> serialized(const StoredRecord& record) {
    RecordWriter w;
    record.serialize(w);
    return {w.bytes().begin(), w.bytes().end()};
}

TEST(UserRecordsTest, ProfileFieldOrderIsFaceBeforeNicknameAndAgeBeforeGender) {
    CUserInfo info;
    info.id = 0x01020304;
    info.face = 7;
    info.nickname = "N";
    info.age = 30;
    info.gender = 1;
    info.bloodType = 2;
    info.note = "z";
    std::vector<uint8_t> expected{0x04, 0x03, 0x02, 0x01, 7, 2, 0, 'N', 0, 30, 1};
    for (int i = 0; i < 8; ++i) expected.insert(expected.end(), {1, 0, 0});  // country ... realName
    expected.push_back(2);                                                   // bloodType
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {1, 0, 0});  // school ... homepage
    expected.insert(expected.end(), {2, 0, 'z', 0});                         // note
    EXPECT_EQ(serialized(info), expected);
    EXPECT_EQ(roundTrip(info), info);
}

TEST(UserRecordsTest, OwnRecordKeepsItsAccountFields) {
    CMyInfo me;
    me.id = 12345;
    me.nickname = "me";
    me.password = "secret";
    me.visibility = 1;
    const auto bytes = serialized(me);
    // The two account fields follow the profile: text "secret", then u8 1.
    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(std::string(bytes.end() - 10, bytes.end() - 1), std::string("\x07\x00secret\x00", 9));
    EXPECT_EQ(bytes.back(), 1);
    EXPECT_EQ(roundTrip(me), me);
}

TEST(UserRecordsTest, OptionBitsAboveTheStoredMaskAreDroppedOnReading) {
    Contact c;
    c.id = 5;
    c.options = 0xFFFF'FF41;
    c.greeting = "hi";
    c.messageSound = "m.wav";
    const Contact back = roundTrip(c);
    EXPECT_EQ(back.options, 0x41u);
    EXPECT_EQ(back.greeting, "hi");
    EXPECT_EQ(back.onlineSound, "");
    EXPECT_EQ(back.messageSound, "m.wav");

    CUserOptions o;
    o.flags = 0xFFFF'FFFF;
    EXPECT_EQ(roundTrip(o).flags, 0x7FFFu);
}

TEST(UserRecordsTest, AnOversizedContactLosesItsLastFieldsOnly) {
    Contact c;
    c.id = 99;
    c.nickname = "nick";
    c.homepage = std::string(3000, 'h');
    c.note = std::string(1500, 'n');  // no longer fits
    RecordWriter w;
    c.serialize(w);
    EXPECT_LE(w.size(), RecordWriter::kCapacity);
    RecordReader r(w.bytes());
    Contact back;
    back.deserialize(r);
    EXPECT_EQ(back.id, 99u);
    EXPECT_EQ(back.nickname, "nick");
    EXPECT_EQ(back.homepage, c.homepage);
    EXPECT_EQ(back.note, "");
    EXPECT_EQ(back.greeting, "");
}

TEST(UserRecordsTest, NewUserOptionsFollowTheFixedMasks) {
    CUserOptions o;
    o.flags = 0x04ED | 0x8000;  // every bit the defaults clear, plus one above
    o.applyNewUserDefaults("/opt/zemra");
    EXPECT_EQ(o.flags, 0x2312u | 0x8000u);
    o.flags &= CUserOptions::kStoredFlagMask;
    EXPECT_EQ(o.sounds[CUserOptions::kSoundFriendOnline], "/opt/zemra/sound/global.wav");
    EXPECT_EQ(o.sounds[CUserOptions::kSoundGroupSwitch], "/opt/zemra/sound/folder.wav");
    EXPECT_EQ(o.callMode, 2);
    EXPECT_EQ(o.reserved11, 2u);
    EXPECT_EQ(o.reserved12, 10u);
    EXPECT_TRUE(o.hasFlag(kOptSoundPrompts));
    EXPECT_FALSE(o.hasFlag(kOptLoginInvisible));

    o.reserved7 = "kept";
    o.reserved8 = 0xBEEF;
    o.reserved14 = 9;
    o.skin = "blue";
    EXPECT_EQ(roundTrip(o), o);
}

TEST(UserRecordsTest, LayoutNeverStoresStrangers) {
    COutbarLayout layout = COutbarLayout::forNewUser();
    ASSERT_EQ(layout.groups.size(), 3u);
    EXPECT_EQ(layout.groups[0].name, text::toGbk("我的好友"));
    EXPECT_EQ(layout.groups[2].name, text::toGbk("黑名单"));
    layout.backColor = 0x00FFEEDD;
    layout.iconMode = 1;
    layout.groups[0].members = {1001, 1002};
    layout.groups[1].members = {2001};
    layout.groups[2].members = {3001};

    const COutbarLayout back = roundTrip(layout);
    EXPECT_EQ(back.backColor, 0x00FFEEDDu);
    EXPECT_EQ(back.iconMode, 1);
    ASSERT_EQ(back.groups.size(), 3u);
    EXPECT_EQ(back.groups[0].members, (std::vector<uint32_t>{1001, 1002}));
    EXPECT_TRUE(back.groups[1].members.empty());
    EXPECT_EQ(back.groups[2].members, (std::vector<uint32_t>{3001}));
    EXPECT_TRUE(back.isStrangersGroup(1));
    EXPECT_TRUE(back.isBlacklist(2));
}

TEST(UserRecordsTest, DamagedLayoutCountsStopAtTheEndOfTheValue) {
    RecordWriter w;
    w.u32(0);
    w.u32(0);
    w.u8(0);
    w.u16(65535);  // claims 65535 groups
    w.text("g");
    w.u16(65535);  // claims 65535 members
    w.u32(7);
    w.u8(1);  // a torn member id: 1 of 4 bytes
    COutbarLayout layout;
    RecordReader r(w.bytes());
    layout.deserialize(r);
    ASSERT_EQ(layout.groups.size(), 1u);
    EXPECT_EQ(layout.groups[0].members, (std::vector<uint32_t>{7}));
}

}  // namespace
}  // namespace zemra::store
