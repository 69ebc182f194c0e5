#include "client/ui/chat_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "client/app/client_core.h"
#include "client/testing/window_test_support.h"
#include "client/ui/chat_rules.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"
#include "protocol/message_packets.h"

namespace zemra::client::ui {
namespace {

using testing::PacketLog;
using testing::QuietUi;
using testing::saveScreenshot;

// Answers the message box the next call shows, keeping its text in `said`.
void acceptNextBox(QString* said = nullptr) {
    QTimer::singleShot(100, [said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (said) *said = box->text();
            box->accept();
        }
    });
}

constexpr uint32_t kAnna = 501;
constexpr uint32_t kBert = 502;

class ChatDlgTest : public ::testing::Test {
  protected:
    ChatDlgTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        core_.recordStore().setUserDir(dir_.path());
        store::Contact anna;
        anna.id = kAnna;
        anna.nickname = "anna";
        store::Contact bert;
        bert.id = kBert;
        bert.nickname = "bert";
        store::COutbarLayout layout = store::COutbarLayout::forNewUser();
        layout.groups[0].members = {kAnna, kBert};
        core_.contacts().load({anna, bert}, layout);
        core_.connection().setServer("127.0.4.30", sink_.port());
    }

    void connect() { ASSERT_TRUE(core_.connection().connectToServer()); }

    bool waitMessages(std::size_t n) { return sink_.waitFor(protocol::PT_MESSAGE, n); }

    std::vector<store::ChatMessage> stored(uint32_t peer) {
        std::vector<store::ChatMessage> list;
        core_.recordStore().LoadMessages(peer, list);
        return list;
    }

    // The messages the server got, in order.
    std::vector<protocol::TextMessage> messages() const {
        std::vector<protocol::TextMessage> out;
        for (const auto& bytes : sink_.ofType(protocol::PT_MESSAGE)) {
            out.push_back(protocol::parseMessage(protocol::PacketView(bytes)));
        }
        return out;
    }

    zemra::testing::TempDir dir_;
    QuietUi ui_;
    PacketLog sink_{"127.0.4.30"};
    ClientCore core_;
};

TEST(ChatWindowSize, EachHiddenPaneTakesItsSpace) {
    const ChatPanes panes{QSize(600, 500), 150, 120, 180};
    EXPECT_EQ(chatWindowSize(panes, false, false, false), QSize(418, 230));
    EXPECT_EQ(chatWindowSize(panes, false, false, true), QSize(418, 380));
    EXPECT_EQ(chatWindowSize(panes, false, true, true), QSize(418, 500));
    EXPECT_EQ(chatWindowSize(panes, true, false, false), QSize(600, 230));
}

TEST(ChatRules, EnterSendsWithTheChoiceOrWithCtrl) {
    EXPECT_TRUE(enterSends(true, false));
    EXPECT_TRUE(enterSends(false, true));
    EXPECT_FALSE(enterSends(false, false));
}

TEST_F(ChatDlgTest, TheWindowGrowsByEachPaneItsModesShow) {
    auto* chat = new CChatDlg(core_, kAnna);
    chat->show();
    const QSize normal = chat->size();
    chat->setDialogueMode(true);
    EXPECT_EQ(chat->height() - normal.height(), CChatDlg::kConversationHeight);
    EXPECT_TRUE(core_.contacts().findContact(kAnna)->hasOption(store::kContactDialogueMode));
    saveScreenshot(*chat, "ui_chat_widget_dialogue.png");
    chat->setHistoryShown(true);
    EXPECT_EQ(chat->height() - normal.height(),
              CChatDlg::kConversationHeight + CChatDlg::kHistoryHeight);
    // Group sending leaves dialogue mode and the history behind.
    chat->setGroupMode(true);
    EXPECT_EQ(chat->size(), QSize(normal.width() + CChatDlg::kRecipientWidth + 2, normal.height()));
    EXPECT_FALSE(chat->dialogueMode());
    EXPECT_FALSE(chat->historyShown());
    saveScreenshot(*chat, "ui_chat_group.png");
    chat->setGroupMode(false);
    EXPECT_EQ(chat->size(), normal);
    chat->close();
}

TEST_F(ChatDlgTest, EnterMakesANewLineUnlessEnterSendsOrCtrlIsHeld) {
    connect();
    auto* chat = new CChatDlg(core_, kAnna);
    chat->setDialogueMode(true);  // keeps the window open after a send
    chat->show();
    chat->setEnterSends(false);
    QTest::keyClicks(chat->input(), "one");
    QTest::keyClick(chat->input(), Qt::Key_Return);
    QTest::keyClicks(chat->input(), "two");
    EXPECT_EQ(chat->input()->textWithCodes(), "one\ntwo");
    QTest::keyClick(chat->input(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitMessages(1));
    EXPECT_EQ(messages()[0].text, "one\ntwo");

    chat->setEnterSends(true);
    EXPECT_TRUE(core_.contacts().findContact(kAnna)->hasOption(store::kContactEnterSends));
    QTest::keyClicks(chat->input(), "three");
    QTest::keyClick(chat->input(), Qt::Key_Return);
    ASSERT_TRUE(waitMessages(2));
    EXPECT_EQ(messages()[1].text, "three");
    EXPECT_EQ(stored(kAnna).size(), 2u);
    chat->close();
}

TEST_F(ChatDlgTest, AGroupSendGoesToEachCheckedContactAndIsStoredOnceForEach) {
    connect();
    auto* chat = new CChatDlg(core_, kAnna);
    chat->show();
    chat->setGroupMode(true);
    chat->setRecipientChecked(kBert, true);
    chat->input()->insertTextWithPictures(QString::fromUtf8("大家好 /:)"));
    QSignalSpy closed(chat, &QObject::destroyed);
    EXPECT_TRUE(chat->send());
    ASSERT_TRUE(waitMessages(2));
    EXPECT_EQ(messages()[0].peerId, kAnna);
    EXPECT_EQ(messages()[1].peerId, kBert);
    EXPECT_EQ(messages()[1].text, text::toGbk("大家好 /:)"));
    EXPECT_EQ(stored(kAnna).size(), 1u);
    EXPECT_EQ(stored(kBert).size(), 1u);
    EXPECT_TRUE(closed.count() == 1 || closed.wait(1000));  // a group send closes the window
}

TEST_F(ChatDlgTest, DialogueModeShowsTheLastThreeStoredMessages) {
    for (uint32_t t = 1; t <= 5; ++t) {
        store::ChatMessage m;
        m.peer = kAnna;
        m.time = 1700000000 + t;
        m.text = "old" + std::to_string(t);
        core_.recordStore().putMessage(m);
    }
    auto* chat = new CChatDlg(core_, kAnna);
    chat->setDialogueMode(true);
    const QString shown = chat->conversation()->toPlainText();
    EXPECT_FALSE(shown.contains("old2"));
    EXPECT_TRUE(shown.contains("old3"));
    EXPECT_TRUE(shown.contains("old5"));
    EXPECT_LT(shown.indexOf("old3"), shown.indexOf("old5"));  // oldest first
    chat->setDialogueMode(false);
    EXPECT_TRUE(chat->conversation()->toPlainText().isEmpty());
    chat->close();
}

TEST_F(ChatDlgTest, NothingIsLostWhenNothingCanBeSent) {
    auto* chat = new CChatDlg(core_, kAnna);
    chat->show();
    // Empty: refused with the message, nothing sent.
    QString said;
    acceptNextBox(&said);
    EXPECT_FALSE(chat->send());
    EXPECT_EQ(said, QString::fromUtf8("不能发空讯息"));
    // Not connected: the user is told and the text stays in the box.
    chat->input()->insertTextWithPictures("keep me");
    acceptNextBox();
    EXPECT_FALSE(chat->send());
    EXPECT_EQ(chat->input()->textWithCodes(), "keep me");
    EXPECT_TRUE(stored(kAnna).empty());
    chat->close();
}

TEST_F(ChatDlgTest, ACharacterGbkCannotCarryIsRefusedNotTurnedIntoAQuestionMark) {
    connect();
    auto* chat = new CChatDlg(core_, kAnna);
    chat->show();
    const QString typed = QString::fromUtf8("smile \xF0\x9F\x98\x80 please");
    chat->input()->insertTextWithPictures(typed);
    QString said;
    acceptNextBox(&said);
    EXPECT_FALSE(chat->send());
    EXPECT_EQ(said, QString::fromUtf8("讯息里有不能发送的字符，请删除后再发送"));
    EXPECT_EQ(chat->input()->textWithCodes(), typed);
    QTest::qWait(100);
    EXPECT_TRUE(sink_.ofType(protocol::PT_MESSAGE).empty());
    chat->close();
}

}  // namespace
}  // namespace zemra::client::ui
