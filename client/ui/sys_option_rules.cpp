#include "client/ui/sys_option_rules.h"

#include <QString>

#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr uint32_t kShift = 1;
constexpr uint32_t kControl = 2;
constexpr uint32_t kAlt = 4;
constexpr uint16_t kVkF1 = 0x70;

}  // namespace

GeneralPage GeneralPage::load(const store::CUserOptions& options, const store::UserSettings& s) {
    GeneralPage page;
    page.callMode = s.callModel;
    page.friendsOnly = s.limit != 0;
    for (std::size_t i = 0; i < kOptionBoxes; ++i) {
        page.options[i] = (options.flags & (1u << (i + 2))) != 0;
    }
    page.onTop = s.isTop != 0;
    page.useHotKey = s.hot != 0;
    page.customHotKey = s.def == 0;
    page.hotKey = store::hotKeyValue(s);
    return page;
}

void GeneralPage::apply(store::CUserOptions& options, store::UserSettings& s) const {
    options.setFlag(store::kOptConfirmedOnce, true);
    for (std::size_t i = 0; i < kOptionBoxes; ++i) {
        options.setFlag(static_cast<store::UserOptionFlag>(1u << (i + 2)), this->options[i]);
    }
    s.callModel = callMode;
    s.limit = friendsOnly ? 1 : 0;
    s.isTop = onTop ? 1 : 0;
    s.hot = useHotKey ? 1 : 0;
    s.def = customHotKey ? 0 : 1;
    store::setHotKeyValue(s, customHotKey ? hotKey : kDefaultHotKey);
}

const std::array<const char*, GeneralPage::kOptionBoxes>& optionBoxCaptions() {
    static const std::array<const char*, GeneralPage::kOptionBoxes> captions{
        "加密呼叫处理", "通话中呼叫进入提示", "好友上线通知", "以隐身方式登录", "只显示在线用户",
        "自动弹出信息", "断线后自动登录",     "打开声音提示", "拒绝陌生人消息"};
    return captions;
}

std::optional<uint32_t> hotKeyFromKeys(QKeyCombination keys) {
    const int key = keys.key();
    uint16_t vk = 0;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        vk = static_cast<uint16_t>(key);  // the virtual keys of letters and digits are their ASCII
    } else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        vk = static_cast<uint16_t>(kVkF1 + (key - Qt::Key_F1));
    } else {
        return std::nullopt;
    }
    const Qt::KeyboardModifiers m = keys.keyboardModifiers();
    uint32_t modifiers = 0;
    if (m & Qt::ShiftModifier) modifiers |= kShift;
    if (m & Qt::ControlModifier) modifiers |= kControl;
    if (m & Qt::AltModifier) modifiers |= kAlt;
    return modifiers << 16 | vk;
}

QKeyCombination keysFromHotKey(uint32_t value) {
    const uint16_t vk = value & 0xFFFF;
    const uint32_t modifiers = value >> 16;
    Qt::Key key = Qt::Key_unknown;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        key = static_cast<Qt::Key>(vk);
    } else if (vk >= kVkF1 && vk < kVkF1 + 24) {
        key = static_cast<Qt::Key>(Qt::Key_F1 + (vk - kVkF1));
    }
    if (key == Qt::Key_unknown) return QKeyCombination();  // nothing the control can show
    Qt::KeyboardModifiers m;
    if (modifiers & kShift) m |= Qt::ShiftModifier;
    if (modifiers & kControl) m |= Qt::ControlModifier;
    if (modifiers & kAlt) m |= Qt::AltModifier;
    return QKeyCombination(m, key);
}

const std::array<const char*, SoundFilesPage::kKinds>& SoundFilesPage::kindNames() {
    static const std::array<const char*, kKinds> names{"呼叫请求进入提示音", "呼出请求提示音",
                                                       "好友上线提示音", "新讯息提示音"};
    return names;
}

SoundFilesPage::SoundFilesPage(const store::UserSettings& s)
    : paths_{s.ringTone, s.dialTone, s.notifyWave, s.messageWave} {}

const std::string& SoundFilesPage::selectKind(int kind, const std::string& editText) {
    paths_[shown_] = editText;
    if (kind >= 0 && kind < kKinds) shown_ = kind;
    return paths_[shown_];
}

void SoundFilesPage::apply(store::UserSettings& s, const std::string& editText) {
    paths_[shown_] = editText;
    s.ringTone = paths_[0];
    s.dialTone = paths_[1];
    s.notifyWave = paths_[2];
    s.messageWave = paths_[3];
}

ReplyEntries::ReplyEntries(std::vector<std::string> gbkEntries) : entries_(std::move(gbkEntries)) {}

std::string ReplyEntries::textAt(int number) const {
    if (number < 0 || number >= static_cast<int>(entries_.size())) return {};
    return text::toUtf8(entries_[number]);
}

void ReplyEntries::setText(int number, const std::string& utf8) {
    if (number < 0 || number > static_cast<int>(entries_.size())) return;
    const QString cut = QString::fromStdString(utf8).trimmed().left(kMaxChars).trimmed();
    if (cut.isEmpty()) {
        if (number < static_cast<int>(entries_.size())) entries_.erase(entries_.begin() + number);
        return;
    }
    const std::string gbk = text::toGbk(cut.toStdString());
    if (number == static_cast<int>(entries_.size())) {
        entries_.push_back(gbk);
    } else {
        entries_[number] = gbk;
    }
}

MediaChoice deviceChoiceOf(const store::UserSettings& s, unsigned frameRate) {
    MediaChoice c;
    c.backEnd = s.videoModel == 0 ? CaptureBackEnd::Graph : CaptureBackEnd::Window;
    c.videoDevice = s.videoDev;
    c.largePicture = s.img != 0;
    c.microphone = s.micDev;
    c.speaker = s.spkDev;
    c.frameRate = frameRate;
    return c;
}

void storeDeviceChoice(const MediaChoice& c, store::UserSettings& s) {
    s.videoModel = c.backEnd == CaptureBackEnd::Graph ? 0 : 1;
    s.videoDev = c.videoDevice;
    s.img = c.largePicture ? 1 : 0;
    s.micDev = c.microphone;
    s.spkDev = c.speaker;
}

}  // namespace zemra::client::ui
