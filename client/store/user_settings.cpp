#include "user_settings.h"

#include "client/store/machine_settings.h"
#include "platform/profile.h"

namespace zemra::store {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kTextBufferSize = 260;

// The table maps 41…91 and 129…179 onto each other and moves every other
// byte up by one. On its own that sends both 40 and 129 to 41 and both 41 and
// 128 to 129, so a password with '(' could not come back. The two values it
// never produces, 92 and 180, take 40 and 128 instead, which makes it
// one-to-one without changing what any other byte has always been stored as.
uint8_t scrambleByte(uint8_t b) {
    if (b >= 41 && b <= 91) return static_cast<uint8_t>(b + 88);
    if (b >= 129 && b <= 179) return static_cast<uint8_t>(b - 88);
    if (b == 40) return 92;
    if (b == 128) return 180;
    return static_cast<uint8_t>(b + 1);
}

uint8_t unscrambleByte(uint8_t b) {
    if (b >= 41 && b <= 91) return static_cast<uint8_t>(b + 88);
    if (b >= 129 && b <= 179) return static_cast<uint8_t>(b - 88);
    if (b == 92) return 40;
    if (b == 180) return 128;
    return static_cast<uint8_t>(b - 1);
}

bool isTrimmedSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Profile readers trim a value and drop quotes around it; a scrambled
// password can begin or end with either ('!' becomes '"'), so such a value
// is written inside one more pair of quotes, which the reader then removes.
std::string protectProfileValue(std::string value) {
    if (value.empty()) return value;
    const char first = value.front();
    const char last = value.back();
    const bool blankEdge = first == ' ' || first == '\t' || last == ' ' || last == '\t';
    const bool quoted = value.size() >= 2 && first == last && (first == '"' || first == '\'');
    if (blankEdge || quoted) return '"' + value + '"';
    return value;
}

}  // namespace

UserSettings UserSettings::defaults(const fs::path& dataDir) {
    UserSettings s;
    s.dialTone = (dataDir / "dialtone.wav").string();
    s.ringTone = (dataDir / "ringtone.wav").string();
    s.notifyWave = (dataDir / "notify.wav").string();
    s.messageWave = (dataDir / "message.wav").string();
    return s;
}

UserSettings LoadSettings(const fs::path& iniPath, const fs::path& dataDir) {
    const UserSettings d = UserSettings::defaults(dataDir);
    const auto text = [&](const char* key, const std::string& fallback) {
        return profile::getString(iniPath, kUserIniSection, key, fallback, kTextBufferSize);
    };
    const auto number = [&](const char* key, int fallback) {
        return profile::getInt(iniPath, kUserIniSection, key, fallback);
    };
    UserSettings s;
    s.dialTone = text("DialTone", d.dialTone);
    s.ringTone = text("RingTone", d.ringTone);
    s.notifyWave = text("NotifyWave", d.notifyWave);
    s.messageWave = text("MessageWave", d.messageWave);
    s.videoModel = number("videomodel", d.videoModel);
    s.videoDev = number("videodev", d.videoDev);
    s.micDev = number("micdev", d.micDev);
    s.spkDev = number("spkdev", d.spkDev);
    s.addType = number("AddType", d.addType);
    s.img = number("img", d.img);
    s.callModel = number("callmodel", d.callModel);
    s.save = number("save", d.save);
    s.invis = number("invis", d.invis);
    s.isTop = number("istop", d.isTop);
    s.limit = number("limit", d.limit);
    s.hot = number("hot", d.hot);
    s.def = number("def", d.def);
    s.password = unscrambleMyWord(text("MyWord", ""));
    s.hiWord = number("HiWord", d.hiWord);
    s.loWord = number("LoWord", d.loWord);
    return s;
}

bool SaveSettings(const UserSettings& s, const fs::path& iniPath, const fs::path& machineIniDir) {
    bool ok = true;
    const auto text = [&](const char* key, std::string_view value) {
        ok = profile::writeString(iniPath, kUserIniSection, key, value) && ok;
    };
    const auto number = [&](const char* key, int value) {
        ok = profile::writeInt(iniPath, kUserIniSection, key, value) && ok;
    };
    text("DialTone", s.dialTone);
    text("RingTone", s.ringTone);
    text("NotifyWave", s.notifyWave);
    text("MessageWave", s.messageWave);
    number("videomodel", s.videoModel);
    number("videodev", s.videoDev);
    number("micdev", s.micDev);
    number("spkdev", s.spkDev);
    number("AddType", s.addType);
    number("img", s.img);
    number("callmodel", s.callModel);
    number("save", s.save);
    number("invis", s.invis);
    number("istop", s.isTop);
    number("limit", s.limit);
    number("hot", s.hot);
    number("def", s.def);
    text("MyWord", protectProfileValue(scrambleMyWord(s.password)));
    number("HiWord", s.hiWord);
    number("LoWord", s.loWord);
    ok = writeVersionId(machineIniDir) && ok;
    return ok;
}

uint32_t hotKeyValue(const UserSettings& s) {
    return (static_cast<uint32_t>(s.hiWord) << 16) | static_cast<uint32_t>(s.loWord);
}

void setHotKeyValue(UserSettings& s, uint32_t value) {
    s.hiWord = static_cast<int>(value >> 16);
    s.loWord = static_cast<int>(value & 0xFFFF);
}

std::string scrambleMyWord(std::string_view password) {
    while (!password.empty() && isTrimmedSpace(password.front())) password.remove_prefix(1);
    while (!password.empty() && isTrimmedSpace(password.back())) password.remove_suffix(1);
    std::string out(password);
    for (char& c : out) c = static_cast<char>(scrambleByte(static_cast<uint8_t>(c)));
    return out;
}

std::string unscrambleMyWord(std::string_view stored) {
    std::string out(stored);
    for (char& c : out) c = static_cast<char>(unscrambleByte(static_cast<uint8_t>(c)));
    return out;
}

}  // namespace zemra::store
