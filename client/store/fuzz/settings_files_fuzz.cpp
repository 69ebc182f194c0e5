// libFuzzer target: the small settings files the client reads at start-up,
// each through its real loader and saver. The first input byte picks the file,
// the rest is its content:
//   0  the per-user and the machine-wide "zemra.ini" (profile files), read
//   1  "zemra.cfg", the IDs that have logged in
//   2  "message.cfg", the message manager's look
//   3  "quickreply.txt", a reply list
//   4  the two "zemra.ini" files read, saved over and read again
// Each file is loaded, saved and loaded again (profiles only under 4: saving
// them is some twenty file replacements, too slow for every input); what the
// saver writes must read back as what was saved wherever the format can hold it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "client/store/login_ids.h"
#include "client/store/machine_settings.h"
#include "client/store/replies.h"
#include "client/store/user_settings.h"
#include "client/store/view_settings.h"
#include "platform/fuzz/scratch_dir.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace {
using namespace zemra;
using namespace zemra::store;
namespace fs = std::filesystem;

// The files are a few hundred bytes; more only slows every run down.
constexpr std::size_t kMaxIniBytes = 2048;
constexpr std::size_t kMaxOtherBytes = 8192;
// The buffer LoadSettings reads texts into, NUL included.
constexpr std::size_t kTextBuffer = 260;

const fuzz::ScratchDir& scratch() {
    static const fuzz::ScratchDir dir("zemra-settings-fuzz");
    return dir;
}

std::span<const uint8_t> capped(std::span<const uint8_t> bytes, std::size_t max) {
    return bytes.first(std::min(bytes.size(), max));
}

// A value a profile line hands back unchanged: the reader trims blanks, drops
// one pair of surrounding quotes, and the writer ends a value at a line break.
bool keptByProfileLine(std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                           value.back() == '\t')) {
        return false;
    }
    const bool quoted = value.size() >= 2 && value.front() == value.back() &&
                        (value.front() == '"' || value.front() == '\'');
    return !quoted;
}

bool withinTextBuffer(std::string_view value) {
    return value.size() < kTextBuffer &&
           text::gbkPrefixLength(value, kTextBuffer - 1) == value.size();
}

bool sameNumbers(const UserSettings& a, const UserSettings& b) {
    return a.videoModel == b.videoModel && a.videoDev == b.videoDev && a.micDev == b.micDev &&
           a.spkDev == b.spkDev && a.addType == b.addType && a.img == b.img &&
           a.callModel == b.callModel && a.save == b.save && a.invis == b.invis &&
           a.isTop == b.isTop && a.limit == b.limit && a.hot == b.hot && a.def == b.def &&
           a.hiWord == b.hiWord && a.loWord == b.loWord;
}

bool sameTextWhereKept(const std::string& saved, const std::string& reread) {
    return !keptByProfileLine(saved) || saved == reread;
}

// The password as the saver stores it: trimmed, then scrambled byte by byte.
// It comes back whole unless a tab or form feed in it scrambles to a line break.
bool passwordKept(const std::string& saved, const std::string& reread) {
    std::string_view trimmed = saved;
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!trimmed.empty() && blank(trimmed.front())) trimmed.remove_prefix(1);
    while (!trimmed.empty() && blank(trimmed.back())) trimmed.remove_suffix(1);
    if (trimmed.find_first_of("\t\f") != std::string_view::npos) return true;
    return reread == trimmed;
}

bool exerciseProfiles(std::span<const uint8_t> bytes, bool saveAgain) {
    const fs::path machineDir = scratch().path() / "machine";
    const fs::path ini = scratch().put("user/zemra.ini", bytes);
    scratch().put("machine/zemra.ini", bytes);
    const fs::path dataDir = "/usr/share/zemra";

    const UserSettings loaded = LoadSettings(ini, dataDir);
    const std::string server = readServerIp(machineDir);
    bool ok = withinTextBuffer(server);
    for (const std::string* tone :
         {&loaded.dialTone, &loaded.ringTone, &loaded.notifyWave, &loaded.messageWave}) {
        ok &= withinTextBuffer(*tone);
    }
    if (!saveAgain) return ok;

    ok &= SaveSettings(loaded, ini, machineDir);
    const UserSettings reread = LoadSettings(ini, dataDir);
    ok &= sameNumbers(loaded, reread);
    ok &= sameTextWhereKept(loaded.dialTone, reread.dialTone);
    ok &= sameTextWhereKept(loaded.ringTone, reread.ringTone);
    ok &= sameTextWhereKept(loaded.notifyWave, reread.notifyWave);
    ok &= sameTextWhereKept(loaded.messageWave, reread.messageWave);
    ok &= passwordKept(loaded.password, reread.password);
    // The version goes into the same file and section as the server address
    // (names compare without case) and must leave the address alone.
    ok &= profile::getInt(machineDir / "zemra.ini", "zemra", "VERSIONID", -1) == kVersionId;
    ok &= readServerIp(machineDir) == server;

    // Removing the section leaves none of its keys behind.
    ok &= profile::deleteSection(ini, kUserIniSection);
    ok &= !profile::findString(ini, kUserIniSection, "MyWord").has_value();
    return ok;
}

bool exerciseLoginIds(std::span<const uint8_t> bytes) {
    const fs::path dir = scratch().path() / "config";
    scratch().put(fs::path("config") / kLoginIdsFileName, bytes);
    const std::vector<uint32_t> old = LoadLoginIds(dir);
    // Logging in again as a listed user moves every line of that user to
    // the front; a new one is added there.
    const uint32_t id = old.empty() ? 10001 : old.back();
    if (!RememberLoginId(dir, id)) return false;
    const std::vector<uint32_t> now = LoadLoginIds(dir);
    std::size_t moved = 0;
    std::vector<uint32_t> others;
    for (uint32_t entry : old) {
        if (entry == id) {
            ++moved;
        } else {
            others.push_back(entry);
        }
    }
    const std::size_t front = std::max<std::size_t>(moved, 1);
    if (now.size() != front + others.size()) return false;
    for (std::size_t i = 0; i < front; ++i) {
        if (now[i] != id) return false;
    }
    return std::equal(others.begin(), others.end(), now.begin() + static_cast<long>(front));
}

bool exerciseViewSettings(std::span<const uint8_t> bytes) {
    const fs::path file = scratch().put(kViewSettingsFileName, bytes);
    ViewSettings loaded;
    if (!LoadViewSettings(file, loaded)) return false;
    if (loaded.viewFace.size() >= RecordWriter::kCapacity) return false;
    if (!SaveViewSettings(file, loaded)) return false;
    ViewSettings reread;
    if (!LoadViewSettings(file, reread)) return false;
    // A face name of real length leaves the record room for all its fields.
    return loaded.viewFace.size() > 1024 || reread == loaded;
}

bool exerciseReplies(std::span<const uint8_t> bytes) {
    const fs::path file = scratch().put(kQuickReplyFileName, bytes);
    const std::vector<std::string> entries = LoadReplies(file);
    bool roundTrips = true;
    for (const std::string& entry : entries) {
        if (entry.size() > kReplyPieceBytes) return false;
        if (entry.find_first_of(std::string_view("\n\0", 2)) != std::string::npos) return false;
        if (shortenMenuText(entry).size() > 23) return false;
        // A piece cut from a long line, or one ending in a carriage return
        // (which the saved line end swallows), reads back differently.
        roundTrips &= entry.size() < kReplyPieceBytes && (entry.empty() || entry.back() != '\r');
    }
    if (!SaveReplies(file, entries)) return false;
    return !roundTrips || LoadReplies(file) == entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> content(data + 1, size - 1);
    scratch().clear();
    bool ok = true;
    switch (data[0] % 5) {
        case 0:
            ok = exerciseProfiles(capped(content, kMaxIniBytes), false);
            break;
        case 1:
            ok = exerciseLoginIds(capped(content, kMaxOtherBytes));
            break;
        case 2:
            ok = exerciseViewSettings(capped(content, kMaxOtherBytes));
            break;
        case 3:
            ok = exerciseReplies(capped(content, kMaxOtherBytes));
            break;
        case 4:
            ok = exerciseProfiles(capped(content, kMaxIniBytes), true);
            break;
    }
    if (!ok) __builtin_trap();
    return 0;
}
