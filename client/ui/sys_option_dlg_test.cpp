// The options sheet: each page's rules, and OK writing the per-user
// settings file and the reply lists as the pages show them.
#include "client/ui/sys_option_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "client/store/replies.h"
#include "client/testing/window_test_support.h"
#include "platform/profile.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

using zemra::testing::TempDir;

TEST(SysOptionRulesTest, TheGeneralPageAlwaysSetsBitOneAndStoresTheDefaultHotKeyWhenChosen) {
    store::CUserOptions options;
    options.flags = 0xFFFFFFFF;
    store::UserSettings settings;
    GeneralPage page = GeneralPage::load(options, settings);
    EXPECT_TRUE(page.options[0] && page.options[8]);
    page.options.fill(false);
    page.customHotKey = false;
    page.hotKey = 0x20041;  // what the key control showed: Ctrl+A
    options.flags = 0;
    page.apply(options, settings);
    EXPECT_EQ(options.flags, store::kOptConfirmedOnce);
    EXPECT_EQ(store::hotKeyValue(settings), 0x6004Du);
    EXPECT_EQ(settings.def, 1);

    page.customHotKey = true;
    page.options[3] = true;  // "以隐身方式登录", bit 5
    page.apply(options, settings);
    EXPECT_EQ(store::hotKeyValue(settings), 0x20041u);
    EXPECT_TRUE(options.hasFlag(store::kOptLoginInvisible));
    EXPECT_EQ(settings.def, 0);
}

TEST(SysOptionRulesTest, HotKeysMapToVirtualKeysAndBack) {
    EXPECT_EQ(hotKeyFromKeys(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_M)),
              0x6004Du);
    EXPECT_EQ(hotKeyFromKeys(QKeyCombination(Qt::ShiftModifier, Qt::Key_F5)), 0x10074u);
    EXPECT_EQ(hotKeyFromKeys(QKeyCombination(Qt::NoModifier, Qt::Key_7)), 0x37u);
    EXPECT_FALSE(hotKeyFromKeys(QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab)).has_value());
    const QKeyCombination back = keysFromHotKey(0x6004D);
    EXPECT_EQ(back.key(), Qt::Key_M);
    EXPECT_EQ(back.keyboardModifiers(), Qt::ControlModifier | Qt::AltModifier);
    // A stored value that is no key shows nothing.
    EXPECT_EQ(keysFromHotKey(77u << 16 | 3), QKeyCombination());
}

TEST(SysOptionRulesTest, SwitchingTheSoundKindTwiceKeepsBothTypedPaths) {
    store::UserSettings settings;
    settings.ringTone = "ring.wav";
    settings.dialTone = "dial.wav";
    SoundFilesPage page(settings);
    EXPECT_EQ(page.selectKind(1, "typed-ring.wav"), "dial.wav");
    EXPECT_EQ(page.selectKind(0, "typed-dial.wav"), "typed-ring.wav");
    page.apply(settings, "typed-ring-2.wav");
    EXPECT_EQ(settings.ringTone, "typed-ring-2.wav");
    EXPECT_EQ(settings.dialTone, "typed-dial.wav");
}

TEST(SysOptionRulesTest, ReplyEntriesAreCutToFiftyCharactersAndEmptyOnesGo) {
    ReplyEntries entries({text::toGbk("一"), text::toGbk("二")});
    EXPECT_EQ(entries.numbers(), 3);
    entries.setText(2, std::string(60, 'x'));  // the new entry
    EXPECT_EQ(entries.entries().size(), 3u);
    EXPECT_EQ(entries.entries()[2], std::string(50, 'x'));
    const std::string chinese = "好";
    std::string long_;
    for (int i = 0; i < 55; ++i) long_ += chinese;
    entries.setText(0, long_);
    EXPECT_EQ(text::toUtf8(entries.entries()[0]).size(), 50 * chinese.size());
    entries.setText(1, "   ");
    EXPECT_EQ(entries.entries().size(), 2u);
    entries.setText(7, "out of range");
    EXPECT_EQ(entries.entries().size(), 2u);
}

class SysOptionDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings = store::UserSettings::defaults(dir.path());
        store::SaveReplies(dir / store::kAutoReplyFileName, {text::toGbk("我不在")});
        store::SaveReplies(dir / store::kQuickReplyFileName, {text::toGbk("好的")});
    }
    template <typename T>
    T* child(CSysOptionDlg& dlg, const char* name) {
        T* w = dlg.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    TempDir dir;
    store::CUserOptions options;
    store::UserSettings settings;
    DeviceLists devices{{"zemra test camera"}, {"mic a", "mic b"}, {"speaker a"}};
    MediaChoice now;
};

TEST_F(SysOptionDlgTest, OkWritesThePerUserSettingsFileKeyByKey) {
    CSysOptionDlg dlg(options, settings, dir.path(), devices, now);
    child<QRadioButton>(dlg, "callMode0")->setChecked(true);
    child<QCheckBox>(dlg, "friendsOnly")->setChecked(true);
    child<QCheckBox>(dlg, "onTop")->setChecked(true);
    child<QCheckBox>(dlg, "useHotKey")->setChecked(true);
    child<QRadioButton>(dlg, "defaultHotKey")->setChecked(true);
    child<QComboBox>(dlg, "microphone")->setCurrentIndex(1);
    child<QCheckBox>(dlg, "largePicture")->setChecked(false);
    child<QComboBox>(dlg, "soundKind")->setCurrentIndex(3);
    child<QLineEdit>(dlg, "soundFile")->setText("/sounds/new message.wav");
    dlg.commit(options, settings);
    const auto ini = dir / "zemra.ini";
    ASSERT_TRUE(store::SaveSettings(settings, ini, dir.path()));

    const auto key = [&](const char* name) { return profile::getInt(ini, "zemra", name, -1); };
    EXPECT_EQ(key("callmodel"), 0);
    EXPECT_EQ(key("limit"), 1);
    EXPECT_EQ(key("istop"), 1);
    EXPECT_EQ(key("hot"), 1);
    EXPECT_EQ(key("def"), 1);
    EXPECT_EQ(key("HiWord"), 6);
    EXPECT_EQ(key("LoWord"), 0x4D);
    EXPECT_EQ(key("micdev"), 1);
    EXPECT_EQ(key("spkdev"), 0);
    EXPECT_EQ(key("img"), 0);
    EXPECT_EQ(key("videomodel"), 0);
    EXPECT_EQ(profile::getString(ini, "zemra", "MessageWave", ""), "/sounds/new message.wav");
    EXPECT_EQ(profile::getString(ini, "zemra", "RingTone", ""), (dir / "ringtone.wav").string());
    EXPECT_TRUE(options.hasFlag(store::kOptConfirmedOnce));
}

TEST_F(SysOptionDlgTest, TheReplyPageEditsBothListFilesOnlyOnOk) {
    {
        CSysOptionDlg dlg(options, settings, dir.path(), devices, now, CSysOptionDlg::kReply);
        auto* number = child<QComboBox>(dlg, "awayNumber");
        auto* text = child<QLineEdit>(dlg, "awayText");
        EXPECT_EQ(number->count(), 2);  // one entry and a new one
        EXPECT_EQ(text->text(), QString::fromUtf8("我不在"));
        number->setCurrentIndex(1);
        text->setText(QString::fromUtf8("开会中，稍后回复"));
        child<QLineEdit>(dlg, "quickText")->setText(QString::fromUtf8("马上来"));
        testing::saveScreenshot(dlg, "options_reply_page.png");
        // Cancelled: nothing written.
    }
    EXPECT_EQ(store::LoadReplies(dir / store::kAutoReplyFileName).size(), 1u);

    CSysOptionDlg dlg(options, settings, dir.path(), devices, now, CSysOptionDlg::kReply);
    child<QComboBox>(dlg, "awayNumber")->setCurrentIndex(1);
    child<QLineEdit>(dlg, "awayText")->setText(QString::fromUtf8("开会中，稍后回复"));
    child<QLineEdit>(dlg, "quickText")->setText(QString::fromUtf8("马上来"));
    dlg.commit(options, settings);
    EXPECT_EQ(store::LoadReplies(dir / store::kAutoReplyFileName),
              (std::vector<std::string>{text::toGbk("我不在"), text::toGbk("开会中，稍后回复")}));
    EXPECT_EQ(store::LoadReplies(dir / store::kQuickReplyFileName),
              std::vector<std::string>{text::toGbk("马上来")});
}

TEST_F(SysOptionDlgTest, TheHotKeyControlsFollowTheirSwitches) {
    settings.hot = 0;
    settings.def = 1;
    CSysOptionDlg dlg(options, settings, dir.path(), devices, now);
    auto* use = child<QCheckBox>(dlg, "useHotKey");
    auto* custom = child<QRadioButton>(dlg, "customHotKey");
    auto* key = dlg.findChild<QWidget*>("hotKey");
    EXPECT_FALSE(custom->isEnabled());
    EXPECT_FALSE(key->isEnabled());
    use->setChecked(true);
    EXPECT_TRUE(custom->isEnabled());
    EXPECT_FALSE(key->isEnabled());
    custom->setChecked(true);
    EXPECT_TRUE(key->isEnabled());
    dlg.show();
    for (int page = 0; page < 3; ++page) {
        dlg.pages()->setCurrentIndex(page);
        testing::saveScreenshot(dlg, QString("options_page%1.png").arg(page));
    }
}

}  // namespace
}  // namespace zemra::client::ui
