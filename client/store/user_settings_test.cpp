#include "client/store/user_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "platform/profile.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

// The table as it was first written, kept here to prove stored values keep their meaning.
uint8_t firstScramble(uint8_t b) {
    if (b >= 41 && b <= 91) return static_cast<uint8_t>(b + 88);
    if (b >= 129 && b <= 179) return static_cast<uint8_t>(b - 88);
    return static_cast<uint8_t>(b + 1);
}

uint8_t firstUnscramble(uint8_t b) {
    if (b >= 41 && b <= 91) return static_cast<uint8_t>(b + 88);
    if (b >= 129 && b <= 179) return static_cast<uint8_t>(b - 88);
    return static_cast<uint8_t>(b - 1);
}

class UserSettingsTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

    std::filesystem::path ini() const { return dir_ / "user" / "zemra.ini"; }
    std::filesystem::path machineDir() const { return dir_ / "windows"; }
    std::filesystem::path dataDir() const { return dir_ / "data"; }

    void SetUp() override { std::filesystem::create_directories(dir_ / "user"); }
};

TEST_F(UserSettingsTest, FreshFileGivesTheDefaults) {
    const UserSettings s = LoadSettings(ini(), dataDir());
    EXPECT_EQ(s.callModel, 2);
    EXPECT_EQ(s.save, 1);
    EXPECT_EQ(s.img, 1);
    EXPECT_EQ(s.hiWord, 77);
    EXPECT_EQ(s.loWord, 3);
    EXPECT_EQ(hotKeyValue(s), (77u << 16) | 3u);
    EXPECT_EQ(s.videoModel, 0);
    EXPECT_EQ(s.videoDev, 0);
    EXPECT_EQ(s.micDev, 0);
    EXPECT_EQ(s.spkDev, 0);
    EXPECT_EQ(s.addType, 0);
    EXPECT_EQ(s.invis, 0);
    EXPECT_EQ(s.isTop, 0);
    EXPECT_EQ(s.limit, 0);
    EXPECT_EQ(s.hot, 0);
    EXPECT_EQ(s.def, 0);
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.dialTone, (dataDir() / "dialtone.wav").string());
    EXPECT_EQ(s.ringTone, (dataDir() / "ringtone.wav").string());
    EXPECT_EQ(s.notifyWave, (dataDir() / "notify.wav").string());
    EXPECT_EQ(s.messageWave, (dataDir() / "message.wav").string());
    EXPECT_EQ(s, UserSettings::defaults(dataDir()));
    EXPECT_FALSE(std::filesystem::exists(ini()));
}

TEST_F(UserSettingsTest, EveryKeyRoundTrips) {
    UserSettings s = UserSettings::defaults(dataDir());
    s.dialTone = "/opt/tones/out.wav";
    s.ringTone = "/opt/tones/in.wav";
    s.notifyWave = "/opt/tones/friend.wav";
    s.messageWave = "/opt/tones/msg.wav";
    s.videoModel = 1;
    s.videoDev = 2;
    s.micDev = 3;
    s.spkDev = 4;
    s.addType = 2;
    s.img = 0;
    s.callModel = 1;
    s.save = 0;
    s.invis = 1;
    s.isTop = 1;
    s.limit = 1;
    s.hot = 1;
    s.def = 1;
    s.password = text::toGbk("密码(pass)word");
    setHotKeyValue(s, kDefaultHotKeyValue);
    ASSERT_TRUE(SaveSettings(s, ini(), machineDir()));
    EXPECT_EQ(LoadSettings(ini(), dataDir()), s);
}

TEST_F(UserSettingsTest, KeysAreWrittenUnderSectionZemra) {
    UserSettings s = UserSettings::defaults(dataDir());
    s.password = "abc";
    ASSERT_TRUE(SaveSettings(s, ini(), machineDir()));
    for (const char* key :
         {"DialTone", "RingTone", "NotifyWave", "MessageWave", "videomodel", "videodev", "micdev",
          "spkdev",   "AddType",  "img",        "callmodel",   "save",       "invis",    "istop",
          "limit",    "hot",      "def",        "MyWord",      "HiWord",     "LoWord"}) {
        EXPECT_TRUE(profile::findString(ini(), "zemra", key).has_value()) << key;
    }
    EXPECT_EQ(profile::findString(ini(), "zemra", "callmodel"), "2");
    EXPECT_EQ(profile::findString(ini(), "zemra", "HiWord"), "77");
    // 'a' 'b' 'c' are 97…99, outside both shifted ranges: one up each.
    EXPECT_EQ(profile::findString(ini(), "zemra", "MyWord"), "bcd");
    EXPECT_EQ(profile::findString(machineDir() / "zemra.ini", "zemra", "VERSIONID"), "10009");
}

TEST_F(UserSettingsTest, MissingKeysKeepTheirDefaultsAndOddValuesReadAsTheProfileRules) {
    writeFile(ini(), "[ZEMRA]\r\ncallmodel=0\r\nvideodev=12ab\r\nimg=abc\r\nmicdev=\r\n");
    const UserSettings s = LoadSettings(ini(), dataDir());
    EXPECT_EQ(s.callModel, 0);
    EXPECT_EQ(s.videoDev, 12);
    EXPECT_EQ(s.img, 0);
    EXPECT_EQ(s.micDev, 0);
    EXPECT_EQ(s.save, 1);
    EXPECT_EQ(s.hiWord, 77);
}

TEST_F(UserSettingsTest, LongTextsAreCutToTheReadBuffer) {
    writeFile(ini(), "[zemra]\nDialTone=" + std::string(400, 'x') + "\n");
    EXPECT_EQ(LoadSettings(ini(), dataDir()).dialTone, std::string(259, 'x'));
}

TEST_F(UserSettingsTest, SaveFailsQuietlyWhenTheFolderIsMissing) {
    const UserSettings s = UserSettings::defaults(dataDir());
    EXPECT_FALSE(SaveSettings(s, dir_ / "nowhere" / "zemra.ini", machineDir()));
    // The machine-wide version is still written.
    EXPECT_EQ(profile::findString(machineDir() / "ZEMRA.ini", "ZEMRA", "VERSIONID"), "10009");
}

TEST(HotKeyValue, SplitsIntoHighAndLowWords) {
    UserSettings s;
    setHotKeyValue(s, 0x6004D);
    EXPECT_EQ(s.hiWord, 6);
    EXPECT_EQ(s.loWord, 77);
    EXPECT_EQ(hotKeyValue(s), 0x6004Du);
}

TEST(MyWord, EveryByteValueComesBack) {
    for (int b = 0; b < 256; ++b) {
        // Framed so that white-space bytes are not trimmed away.
        const std::string password = std::string("a") + static_cast<char>(b) + "b";
        EXPECT_EQ(unscrambleMyWord(scrambleMyWord(password)), password) << b;
    }
}

TEST(MyWord, TableIsOneToOne) {
    std::array<bool, 256> seen{};
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string stored = scrambleMyWord("x" + one + "x");
        ASSERT_EQ(stored.size(), 3u);
        const auto out = static_cast<uint8_t>(stored[1]);
        EXPECT_FALSE(seen[out]) << b;
        seen[out] = true;
    }
}

TEST(MyWord, OtherBytesAreStoredAsTheyAlwaysWere) {
    for (int b = 0; b < 256; ++b) {
        if (b == 40 || b == 128) continue;
        const std::string stored = scrambleMyWord(std::string("x") + static_cast<char>(b) + "x");
        EXPECT_EQ(static_cast<uint8_t>(stored[1]), firstScramble(static_cast<uint8_t>(b))) << b;
    }
    EXPECT_EQ(scrambleMyWord("("), "\x5c");     // 40 -> 92
    EXPECT_EQ(scrambleMyWord("\x80"), "\xb4");  // 128 -> 180
}

TEST(MyWord, EverythingEverStoredReadsBackTheSame) {
    // 92 and 180 were never written before; every other stored byte keeps its reading,
    // including 41 from a '(' stored under the old table (read as 129, as before).
    for (int b = 0; b < 256; ++b) {
        if (b == 92 || b == 180) continue;
        const std::string stored(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<uint8_t>(unscrambleMyWord(stored)[0]),
                  firstUnscramble(static_cast<uint8_t>(b)))
            << b;
    }
    for (int b = 0; b < 256; ++b) {
        EXPECT_NE(firstScramble(static_cast<uint8_t>(b)), 92);
        EXPECT_NE(firstScramble(static_cast<uint8_t>(b)), 180);
    }
}

TEST(MyWord, WhiteSpaceIsTrimmedBeforeScrambling) {
    EXPECT_EQ(scrambleMyWord(" \t abc \r\n"), scrambleMyWord("abc"));
    EXPECT_EQ(scrambleMyWord("a b"), std::string("b!c"));
    EXPECT_EQ(scrambleMyWord("   "), "");
}

TEST_F(UserSettingsTest, PasswordsThatScrambleToQuotesOrBlanksSurviveTheFile) {
    // '!' scrambles to '"' and '&' to '\'': a stored value wrapped in either
    // would lose its quotes to the profile reader.
    for (const std::string& password : std::vector<std::string>{"!secret!", "&x&", "!!",
                                                                "\x1f"
                                                                "abc",
                                                                "abc\x1f", "\x08x", "(x)", "!a'"}) {
        UserSettings s = UserSettings::defaults(dataDir());
        s.password = password;
        ASSERT_TRUE(SaveSettings(s, ini(), machineDir()));
        EXPECT_EQ(LoadSettings(ini(), dataDir()).password, password) << password;
    }
}

TEST_F(UserSettingsTest, EveryPrintableAndGbkPasswordSurvivesTheFile) {
    std::string printable;
    for (int c = 33; c < 127; ++c) printable.push_back(static_cast<char>(c));
    for (const std::string& password : std::vector<std::string>{
             printable, text::toGbk("中文密码（全角）"), std::string("\x81\x40\xfe\xfe\xa1\xa1")}) {
        UserSettings s = UserSettings::defaults(dataDir());
        s.password = password;
        ASSERT_TRUE(SaveSettings(s, ini(), machineDir()));
        EXPECT_EQ(LoadSettings(ini(), dataDir()).password, password);
    }
}

}  // namespace
}  // namespace zemra::store
