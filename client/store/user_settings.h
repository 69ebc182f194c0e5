// The per-user "zemra.ini" (section "zemra"): tones, devices, call and log-in
// choices, the reading hot key and the remembered password.
//
// The tone files are file-system paths and are kept as the platform's own
// path bytes; the password is GBK, as typed on the wire.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zemra::store {

inline constexpr const char* kUserIniFileName = "zemra.ini";
inline constexpr const char* kUserIniSection = "zemra";

// Ctrl+Alt+M as the hot-key control reports it: flags 2|4 high, 'M' low.
inline constexpr uint32_t kDefaultHotKeyValue = 0x6004D;

struct UserSettings {
    std::string dialTone;     // DialTone: outgoing call
    std::string ringTone;     // RingTone: incoming call
    std::string notifyWave;   // NotifyWave: a friend comes online
    std::string messageWave;  // MessageWave: a new message
    int videoModel = 0;       // videomodel
    int videoDev = 0;         // videodev
    int micDev = 0;           // micdev
    int spkDev = 0;           // spkdev
    int addType = 0;          // AddType: 0 anyone, 1 after authentication, 2 nobody
    int img = 1;              // img: fast or clear picture
    int callModel = 2;        // callmodel: 0 accept, 1 refuse, 2 ask
    int save = 1;             // save: remember the password
    int invis = 0;            // invis: log in invisibly
    int isTop = 0;            // istop: main window on top
    int limit = 0;            // limit: calls from friends only
    int hot = 0;              // hot: the reading hot key is registered
    int def = 0;              // def: the hot key is the default Ctrl+Alt+M
    std::string password;     // MyWord, kept in the file scrambled
    int hiWord = 77;          // HiWord: hot-key modifier flags (1 Shift, 2 Ctrl, 4 Alt)
    int loWord = 3;           // LoWord: hot-key virtual-key code

    // Every key at its default; the tones are the files of that name in `dataDir`.
    static UserSettings defaults(const std::filesystem::path& dataDir);

    bool operator==(const UserSettings&) const = default;
};

// Reads every key of `iniPath`; a missing key (or file) gives its default.
UserSettings LoadSettings(const std::filesystem::path& iniPath,
                          const std::filesystem::path& dataDir);

// Writes every key to `iniPath`, then VERSIONID to the machine-wide file in
// `machineIniDir`. False if any write failed (the others are still made).
bool SaveSettings(const UserSettings& settings, const std::filesystem::path& iniPath,
                  const std::filesystem::path& machineIniDir);

// (HiWord << 16) | LoWord, the value the hot-key control and the registration use.
uint32_t hotKeyValue(const UserSettings& settings);
void setHotKeyValue(UserSettings& settings, uint32_t value);

// The stored form of a password: white space trimmed from both ends, then
// every byte mapped through a fixed one-to-one table. Values the table has
// always produced unscramble as they always did.
std::string scrambleMyWord(std::string_view password);
std::string unscrambleMyWord(std::string_view stored);

}  // namespace zemra::store
