#include "client/ui/main_window_rules.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "client/store/chat_message.h"

namespace zemra::client::ui {
namespace {

using store::ContactCategory;

TEST(MainWindowRules, CommandsThatNeedALoginSaySoWithoutOne) {
    for (int control : {control::kMainMenu, control::kOptions, control::kMessageManager,
                        control::kCallLog, control::kCall}) {
        EXPECT_EQ(loginRefusal(control, false), "对不起,您还没有成功登陆服务器") << control;
        EXPECT_EQ(loginRefusal(control, true), std::nullopt) << control;
    }
    // The own details have their own wording.
    EXPECT_EQ(loginRefusal(control::kMyDetails, false), "对不起.您还没有成功登陆服务器");
    // Dialling, clearing the number and the news page need nobody.
    EXPECT_EQ(loginRefusal(control::kFirstDialKey, false), std::nullopt);
    EXPECT_EQ(loginRefusal(control::kClearDigit, false), std::nullopt);
    EXPECT_EQ(loginRefusal(1102, false), std::nullopt);
    EXPECT_TRUE(menuLoginRefusal(false).has_value());
    EXPECT_FALSE(menuLoginRefusal(true).has_value());
}

TEST(MainWindowRules, TheNumberFieldTakesEightDialKeysOutsideACall) {
    std::string number;
    for (int key = control::kFirstDialKey; key <= control::kLastDialKey; ++key) {
        number = NumberField::pressKey(number, key, false);
    }
    EXPECT_EQ(number, "12345678");  // full after eight
    EXPECT_EQ(NumberField::pressKey("", control::kFirstDialKey + 9, false), "*");
    EXPECT_EQ(NumberField::pressKey("", control::kLastDialKey, false), "#");
    EXPECT_EQ(NumberField::pressKey("12", control::kFirstDialKey, true), "12");  // in a call
    EXPECT_EQ(NumberField::pressKey("12", control::kCall, false), "12");         // not a key
}

TEST(MainWindowRules, ClearingLeavesAOneCharacterNumberEmpty) {
    EXPECT_EQ(NumberField::clearLast("1234"), "123");
    EXPECT_EQ(NumberField::clearLast("12"), "1");
    EXPECT_EQ(NumberField::clearLast("1"), "");
    EXPECT_EQ(NumberField::clearLast(""), "");
}

TEST(MainWindowRules, TheMainMenuOffersBroadcastOnlyToTheSystemAccount) {
    using E = MainMenuEntry;
    EXPECT_EQ(mainMenuEntries(1000, false),
              (std::vector<E>{E::MessageManager, E::StayOnTop, E::MyDetails, E::Options, E::About,
                              E::Exit}));
    const auto system = mainMenuEntries(10000, true);
    EXPECT_EQ(system, (std::vector<E>{E::MessageManager, E::Broadcast, E::NotOnTop, E::MyDetails,
                                      E::Options, E::About, E::Exit}));
}

std::vector<ContactMenuEntry> entriesOf(const std::vector<ContactMenuItem>& items) {
    std::vector<ContactMenuEntry> out;
    for (const auto& item : items) out.push_back(item.entry);
    return out;
}

bool enabled(const std::vector<ContactMenuItem>& items, ContactMenuEntry entry) {
    for (const auto& item : items) {
        if (item.entry == entry) return item.enabled;
    }
    ADD_FAILURE() << "entry not in the menu";
    return false;
}

TEST(MainWindowRules, EachKindOfContactHasItsMenu) {
    using E = ContactMenuEntry;
    EXPECT_EQ(entriesOf(contactMenuEntries(ContactCategory::Ordinary, false, false)),
              (std::vector<E>{E::Chat, E::Call, E::SendFile, E::Homepage, E::History, E::Details}));
    EXPECT_EQ(entriesOf(contactMenuEntries(ContactCategory::Stranger, false, false)),
              (std::vector<E>{E::Chat, E::Call, E::History, E::Details}));
    EXPECT_EQ(entriesOf(contactMenuEntries(ContactCategory::Blacklisted, false, false)),
              (std::vector<E>{E::Details, E::History}));
}

TEST(MainWindowRules, ChatIsGreyedWhileOfflineAndCallingWhileInACall) {
    using E = ContactMenuEntry;
    const auto offline = contactMenuEntries(ContactCategory::Ordinary, true, false);
    EXPECT_FALSE(enabled(offline, E::Chat));
    EXPECT_TRUE(enabled(offline, E::Call));
    const auto calling = contactMenuEntries(ContactCategory::Stranger, false, true);
    EXPECT_TRUE(enabled(calling, E::Chat));
    EXPECT_FALSE(enabled(calling, E::Call));
    EXPECT_TRUE(enabled(calling, E::Details));
}

TEST(MainWindowRules, OpeningAContactDependsOnItsGroupAndItsQueue) {
    EXPECT_EQ(openContactAction(ContactCategory::Ordinary, store::kMessageQueueOnly),
              OpenContactAction::DiscardQueued);
    EXPECT_EQ(openContactAction(ContactCategory::Ordinary, store::kMessageChat),
              OpenContactAction::Chat);
    EXPECT_EQ(openContactAction(ContactCategory::Ordinary, std::nullopt), OpenContactAction::Chat);
    // A queue-only message from a stranger is not dropped by opening him.
    EXPECT_EQ(openContactAction(ContactCategory::Stranger, store::kMessageQueueOnly),
              OpenContactAction::Chat);
    EXPECT_EQ(openContactAction(ContactCategory::Blacklisted, std::nullopt),
              OpenContactAction::ShowDetails);
}

TEST(MainWindowRules, GroupsThatMustStaySayWhy) {
    EXPECT_EQ(groupKeptMessage(ContactList::KeepGroup::HasMembers),
              "在删除好友之前请先清空里面的好友");
    EXPECT_NE(groupKeptMessage(ContactList::KeepGroup::MustStay),
              groupKeptMessage(ContactList::KeepGroup::HasMembers));
}

TEST(TrayClicks, ASingleClickShowsTheStatusMenuOnlyAfterTheDoubleClickTime) {
    TrayClicks clicks(150);
    clicks.setUserSet(true);
    QSignalSpy menu(&clicks, &TrayClicks::statusMenuWanted);
    QSignalSpy open(&clicks, &TrayClicks::openWanted);
    clicks.click();
    QTest::qWait(60);
    EXPECT_EQ(menu.count(), 0);
    EXPECT_TRUE(menu.wait(1000));
    EXPECT_EQ(open.count(), 0);
}

TEST(TrayClicks, ADoubleClickOpensAndNeverShowsTheStatusMenu) {
    TrayClicks clicks(150);
    clicks.setUserSet(true);
    QSignalSpy menu(&clicks, &TrayClicks::statusMenuWanted);
    QSignalSpy open(&clicks, &TrayClicks::openWanted);
    clicks.click();
    clicks.doubleClick();
    QTest::qWait(300);
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(menu.count(), 0);
}

TEST(TrayClicks, ClicksAreIgnoredWhileNoUserIsSet) {
    TrayClicks clicks(50);
    QSignalSpy menu(&clicks, &TrayClicks::statusMenuWanted);
    QSignalSpy open(&clicks, &TrayClicks::openWanted);
    clicks.click();
    clicks.doubleClick();
    QTest::qWait(150);
    EXPECT_EQ(menu.count() + open.count(), 0);
}

}  // namespace
}  // namespace zemra::client::ui
