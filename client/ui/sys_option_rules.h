// The options sheet's pages without their windows: what each page loads
// from the user's options and settings, and what its OK writes back.
#pragma once

#include <QKeyCombination>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/media/call_media.h"
#include "client/store/user_records.h"
#include "client/store/user_settings.h"

namespace zemra::client::ui {

// "参数设置": call handling, the nine option boxes (bits 2 to 10), stay on
// top and the hot key.
struct GeneralPage {
    static constexpr std::size_t kOptionBoxes = 9;
    static constexpr uint32_t kDefaultHotKey = store::kDefaultHotKeyValue;  // Ctrl+Alt+M

    int callMode = 2;  // 0 accept, 1 refuse, 2 ring
    bool friendsOnly = false;
    std::array<bool, kOptionBoxes> options{};
    bool onTop = false;
    bool useHotKey = false;
    bool customHotKey = false;
    uint32_t hotKey = kDefaultHotKey;  // modifiers << 16 | virtual key

    static GeneralPage load(const store::CUserOptions& options, const store::UserSettings& s);
    // Bit 1 is set whatever the boxes say; the default hot key is stored
    // whatever the key control shows.
    void apply(store::CUserOptions& options, store::UserSettings& s) const;
};

// The option box captions in bit order (bit 2 first).
const std::array<const char*, GeneralPage::kOptionBoxes>& optionBoxCaptions();

// The hot key of a key combination: Shift 1, Ctrl 2, Alt 4 in the high 16
// bits, the virtual key (letters, digits, F1 to F24) in the low ones.
// Nullopt for a key that cannot be a hot key.
std::optional<uint32_t> hotKeyFromKeys(QKeyCombination keys);
QKeyCombination keysFromHotKey(uint32_t value);

// "音视频设置", the sound files: four kinds, one path each; the edit shows
// the selected kind's path.
class SoundFilesPage {
  public:
    static constexpr int kKinds = 4;  // ring, dial, friend online, new message
    static const std::array<const char*, kKinds>& kindNames();

    explicit SoundFilesPage(const store::UserSettings& s);
    // The edit held `editText` for the kind shown; the new kind's path is returned.
    const std::string& selectKind(int kind, const std::string& editText);
    int shownKind() const { return shown_; }
    const std::string& path(int kind) const { return paths_.at(kind); }
    // The edit's text goes to the kind shown, then every path to the settings.
    void apply(store::UserSettings& s, const std::string& editText);

  private:
    std::array<std::string, kKinds> paths_;
    int shown_ = 0;
};

// "回复设置": one list of entries (away texts or quick replies), chosen by
// number; the last number is a new entry. Entries are at most 50 characters.
class ReplyEntries {
  public:
    static constexpr int kMaxChars = 50;

    explicit ReplyEntries(std::vector<std::string> gbkEntries);
    // Numbers the combo offers: one per entry and one for a new one.
    int numbers() const { return static_cast<int>(entries_.size()) + 1; }
    std::string textAt(int number) const;  // UTF-8
    // Sets an entry (a new one at the last number); the text is cut to 50
    // characters. An empty text removes the entry.
    void setText(int number, const std::string& utf8);
    const std::vector<std::string>& entries() const { return entries_; }

  private:
    std::vector<std::string> entries_;  // GBK
};

// The device part of "音视频设置".
MediaChoice deviceChoiceOf(const store::UserSettings& s, unsigned frameRate);
void storeDeviceChoice(const MediaChoice& choice, store::UserSettings& s);

}  // namespace zemra::client::ui
