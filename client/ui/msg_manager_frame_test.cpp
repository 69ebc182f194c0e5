#include "client/ui/msg_manager_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "client/app/client_core.h"
#include "client/testing/window_test_support.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "client/ui/msg_manager_find_dlg.h"
#include "client/ui/msg_manager_test_support.h"
#include "client/ui/msg_manager_views.h"
#include "platform/testing/temp_dir.h"
#include "protocol/login_packets.h"
#include "protocol/packet_types.h"

namespace zemra::client::ui {
namespace {

using store::ChatMessage;
using testing::QuietUi;
using zemra::testing::readFile;
using namespace msgtest;

constexpr uint32_t kOwn = 9000;
constexpr uint32_t kAnna = 501;
constexpr uint32_t kBert = 502;
constexpr uint32_t kDora = 777;  // wrote, but is no contact

class MsgManagerFrameTest : public ::testing::Test {
  protected:
    MsgManagerFrameTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        core_.recordStore().setUserDir(dir_.path());
        store::Contact anna;
        anna.id = kAnna;
        anna.nickname = "anna";
        anna.face = 5;
        anna.city = "SZ";
        store::Contact bert;
        bert.id = kBert;
        bert.nickname = "bert";
        bert.face = 12;
        store::COutbarLayout layout = store::COutbarLayout::forNewUser();
        layout.groups[0].members = {kAnna, kBert};
        core_.contacts().load({anna, bert}, layout);
        // Logged in as 9000 "me": the own ID and nickname come with the answer.
        core_.dispatch(protocol::PT_LOGIN_OK, protocol::buildLoginAccepted({kOwn, "me", 3, {}}));
    }

    ~MsgManagerFrameTest() override {
        // Collected first: deleting a window deletes its menus and dialogs,
        // which are top-level widgets too.
        QList<QPointer<CMsgManagerFrame>> frames;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* f = qobject_cast<CMsgManagerFrame*>(w)) frames << f;
        }
        for (const QPointer<CMsgManagerFrame>& f : frames) delete f.data();
    }

    void put(uint32_t peer, const std::string& text, int minute, bool incoming = true) {
        EXPECT_TRUE(core_.recordStore().putMessage(
            message(peer, localSeconds(4, 10, minute, 0), text, incoming)));
    }

    std::vector<std::string> stored(uint32_t key) {
        std::vector<ChatMessage> list;
        core_.recordStore().LoadMessages(key, list);
        std::vector<std::string> texts;
        for (const ChatMessage& m : list) texts.push_back(m.text);
        return texts;
    }

    // Opens the window with every prompt answered by the fixture.
    CMsgManagerFrame* open(std::optional<uint32_t> partner) {
        CMsgManagerFrame* f = CMsgManagerFrame::open(core_, partner, nullptr);
        MsgManagerPrompts& p = f->prompts();
        p.ask = [this](const QString& q) {
            asked << q;
            return answer;
        };
        p.tell = [this](const QString& t) { told << t; };
        p.chooseFile = [this](const MsgFileRequest& r) {
            requests.push_back(r);
            return file;
        };
        p.chooseColour = [this](const QColor&) { return colour; };
        p.chooseFont = [this](const MsgFontChoice&) { return font; };
        return f;
    }

    static void trigger(CMsgManagerFrame& f, const char* command) {
        auto* action = f.findChild<QAction*>(command);
        ASSERT_NE(action, nullptr) << command;
        action->trigger();
    }

    static void pickRows(CMsgManagerFrame& f, std::initializer_list<int> rows) {
        f.list()->clearSelection();
        for (int row : rows) f.list()->topLevelItem(row)->setSelected(true);
        f.setActivePane(MsgPane::List);
    }

    static QStringList rowTexts(CMsgManagerFrame& f) {
        QStringList texts;
        for (int i = 0; i < f.list()->topLevelItemCount(); ++i) {
            texts << f.list()->topLevelItem(i)->text(3);
        }
        return texts;
    }

    zemra::testing::TempDir dir_;
    QuietUi ui_;
    ClientCore core_;

    bool answer = true;
    QStringList asked;
    QStringList told;
    QString file;
    std::vector<MsgFileRequest> requests;
    std::optional<QColor> colour;
    std::optional<MsgFontChoice> font;
};

TEST_F(MsgManagerFrameTest, OpensAtThePartnerAndASecondOpenBringsTheSameWindowToAnother) {
    put(kAnna, "hello me", 1);
    put(kAnna, "hello anna", 2, false);
    put(kDora, "who am I", 3);
    CMsgManagerFrame* f = open(kAnna);
    EXPECT_TRUE(f->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(f->windowTitle(), QString::fromUtf8("消息管理器"));
    for (const char* name : {"partners", "messages", "view"}) {
        EXPECT_NE(f->findChild<QWidget*>(name), nullptr) << name;
    }
    for (const char* name :
         {"delete", "exportText", "exportBackup", "backupAll", "import", "exportUsers", "find"}) {
        EXPECT_NE(f->findChild<QAction*>(name), nullptr) << name;
        EXPECT_NE(f->findChild<QToolButton*>(name), nullptr) << name;
    }
    EXPECT_EQ(f->tree()->selectedValue(), kAnna);
    EXPECT_EQ(f->tree()->topLevelItem(0)->text(0), "9000(me)");
    EXPECT_TRUE(f->tree()->itemOfValue(kAnna)->parent()->isExpanded());
    ASSERT_EQ(f->list()->topLevelItemCount(), 2);
    EXPECT_EQ(f->list()->topLevelItem(0)->text(0), "anna");
    EXPECT_EQ(f->list()->topLevelItem(1)->text(0), "me");
    EXPECT_EQ(f->list()->topLevelItem(0)->text(1), "2024-03-04");
    EXPECT_EQ(f->list()->topLevelItem(0)->text(2), "10:01:00");
    EXPECT_TRUE(f->list()->topLevelItem(0)->isSelected());
    EXPECT_EQ(f->view()->senderName(), "anna");
    EXPECT_EQ(f->view()->recipientName(), "me");
    EXPECT_EQ(f->view()->text()->toPlainText(), "hello me");
    testing::saveScreenshot(*f, "ui_msg_manager.png");

    EXPECT_EQ(open(kDora), f);
    EXPECT_EQ(f->tree()->selectedValue(), kDora);
    EXPECT_EQ(f->tree()->selectedItems().front()->text(0), "777");
    EXPECT_EQ(rowTexts(*f), QStringList{"who am I"});
    EXPECT_EQ(open(std::nullopt), f);
    EXPECT_EQ(f->tree()->selectedValue(), kDora);

    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CMsgManagerFrame* again = open(std::nullopt);
    EXPECT_TRUE(again->tree()->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(again->tree()->selectedValue().has_value());
}

TEST_F(MsgManagerFrameTest, ListRowsWhoseMessagesMovedInTheStoreAreNotDeletedButRefreshed) {
    for (int i = 1; i <= 3; ++i) put(kAnna, "m" + std::to_string(i), i);
    CMsgManagerFrame* f = open(kAnna);
    pickRows(*f, {0});    // m1
    put(kAnna, "m4", 4);  // arrives while the list shows m1 ... m3
    trigger(*f, "delete");
    EXPECT_EQ(stored(kAnna), (std::vector<std::string>{"m1", "m2", "m3", "m4"}));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(rowTexts(*f), (QStringList{"m1", "m2", "m3", "m4"}));

    // Picked again from the refreshed list, the same row goes.
    pickRows(*f, {0});
    trigger(*f, "delete");
    EXPECT_EQ(stored(kAnna), (std::vector<std::string>{"m2", "m3", "m4"}));
    EXPECT_EQ(rowTexts(*f), (QStringList{"m2", "m3", "m4"}));
    EXPECT_EQ(told.size(), 1);
}

TEST_F(MsgManagerFrameTest, DeletingPickedRowsRemovesExactlyThoseAndOnlyOnYes) {
    for (int i = 1; i <= 5; ++i) put(kAnna, "m" + std::to_string(i), i);
    CMsgManagerFrame* f = open(kAnna);
    pickRows(*f, {0, 1});
    answer = false;
    trigger(*f, "delete");
    EXPECT_EQ(asked, QStringList{QString::fromUtf8("你确定要删除这些消息吗?")});
    EXPECT_EQ(stored(kAnna).size(), 5u);

    answer = true;
    trigger(*f, "delete");
    EXPECT_EQ(stored(kAnna), (std::vector<std::string>{"m3", "m4", "m5"}));
    EXPECT_EQ(rowTexts(*f), (QStringList{"m3", "m4", "m5"}));
    EXPECT_TRUE(told.isEmpty());

    // From the message view delete is closed: it would take the whole partner.
    pickRows(*f, {0});
    f->setActivePane(MsgPane::View);
    trigger(*f, "delete");
    EXPECT_EQ(stored(kAnna).size(), 3u);
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(MsgManagerFrameTest, DeletingTheRootRemovesEveryPartnersMessagesAndTheSystemMessages) {
    put(kAnna, "a", 1);
    put(kDora, "d", 2);
    put(store::kSystemAccountId, "sys", 3);
    CMsgManagerFrame* f = open(std::nullopt);
    f->tree()->selectValue(0xFFFFFFFF);
    f->setActivePane(MsgPane::Tree);
    trigger(*f, "delete");
    std::vector<uint32_t> partners;
    core_.recordStore().ListPartners(partners);
    EXPECT_TRUE(partners.empty());
    EXPECT_EQ(f->list()->topLevelItemCount(), 0);
}

TEST_F(MsgManagerFrameTest, ExportsPickedRowsTheTreesItemAndItsProfilesAsTextWithCrLf) {
    put(kAnna, "one", 1);
    put(kAnna, "two", 2, false);
    CMsgManagerFrame* f = open(kAnna);
    file = QString::fromStdString((dir_ / "rows.txt").string());
    pickRows(*f, {1});
    trigger(*f, "exportText");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].defaultName, "501");
    EXPECT_EQ(requests[0].suffix, "txt");
    EXPECT_EQ(requests[0].filter, QString::fromUtf8("ZEMRA消息文本文件 (*.txt)"));
    EXPECT_EQ(readFile(dir_ / "rows.txt"), "2024-03-04 10:02:00  me\r\ntwo\r\n\r\n");

    file = QString::fromStdString((dir_ / "anna.txt").string());
    f->setActivePane(MsgPane::Tree);
    trigger(*f, "exportText");
    EXPECT_EQ(readFile(dir_ / "anna.txt"),
              gbk("--------------------------------------------------\r\n"
                  "消息对象:501(anna)\r\n"
                  "--------------------------------------------------\r\n"
                  "2024-03-04 10:01:00  anna\r\none\r\n\r\n"
                  "2024-03-04 10:02:00  me\r\ntwo\r\n\r\n"
                  "\r\n"));

    file = QString::fromStdString((dir_ / "users.txt").string());
    trigger(*f, "exportUsers");
    EXPECT_NE(readFile(dir_ / "users.txt").find(gbk("城市 SZ\r\n\r\n")), std::string::npos);
}

TEST_F(MsgManagerFrameTest, NoExportOrBackupEverOverwritesTheUsersDatabases) {
    put(kAnna, "keep", 1);
    CMsgManagerFrame* f = open(kAnna);
    file = QString::fromStdString((dir_ / "msg.db").string());
    f->setActivePane(MsgPane::Tree);
    for (const char* command : {"exportText", "exportBackup", "backupAll", "exportUsers"}) {
        trigger(*f, command);
        EXPECT_EQ(stored(kAnna), std::vector<std::string>{"keep"}) << command;
    }
    EXPECT_EQ(told.size(), 4);
    trigger(*f, "import");  // msg.db is no backup to read into itself
    EXPECT_EQ(stored(kAnna), std::vector<std::string>{"keep"});
    EXPECT_EQ(told.size(), 5);
}

TEST_F(MsgManagerFrameTest, ABackupOfEverythingImportedAgainBringsBackPartnersAndMessages) {
    put(kAnna, "a", 1);
    put(kDora, "d", 2);
    CMsgManagerFrame* f = open(kAnna);
    put(888, "late", 3);  // a partner who wrote after the window opened
    file = QString::fromStdString((dir_ / "all.bak").string());
    trigger(*f, "backupAll");
    EXPECT_EQ(requests.back().suffix, "bak");
    EXPECT_EQ(requests.back().defaultName, "");
    EXPECT_EQ(requests.back().filter, QString::fromUtf8("ZEMRA消息备份文件 (*.bak)"));

    for (uint32_t key : {kAnna, kDora, 888u}) {
        core_.recordStore().DeleteKey(store::kMessageDb, key);
    }
    trigger(*f, "import");
    EXPECT_FALSE(requests.back().save);
    EXPECT_EQ(stored(kAnna), std::vector<std::string>{"a"});
    EXPECT_EQ(stored(kDora), std::vector<std::string>{"d"});
    EXPECT_EQ(stored(888), std::vector<std::string>{"late"});
    // The tree shows the partner the backup brought, and the list is filled again.
    EXPECT_NE(f->tree()->itemOfValue(888), nullptr);
    EXPECT_EQ(f->tree()->selectedValue(), kAnna);
    EXPECT_EQ(rowTexts(*f), QStringList{"a"});
}

TEST_F(MsgManagerFrameTest, ChosenColoursAndFontAreKeptInMessageCfgWhenTheWindowCloses) {
    CMsgManagerFrame* f = open(std::nullopt);
    f->setActivePane(MsgPane::Tree);
    colour = QColor(0x10, 0x20, 0x30);
    trigger(*f, "backColour");
    f->setActivePane(MsgPane::List);
    colour = QColor(0x80, 0, 0);
    trigger(*f, "textColour");
    f->setActivePane(MsgPane::View);
    QFont chosen = f->look().viewFont;
    chosen.setPointSize(15);
    font = MsgFontChoice{chosen, QColor(0, 0, 0xFF)};
    trigger(*f, "textColour");
    colour = QColor(0xEE, 0xEE, 0xEE);  // the view's background is not kept
    trigger(*f, "backColour");
    EXPECT_EQ(f->view()->text()->palette().color(QPalette::Base), QColor(0xEE, 0xEE, 0xEE));
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    store::ViewSettings saved;
    ASSERT_TRUE(store::LoadViewSettings(dir_ / "message.cfg", saved));
    EXPECT_EQ(saved.treeBack, 0x302010u);
    EXPECT_EQ(saved.listText, 0x000080u);
    EXPECT_EQ(saved.viewHeight, 300u);
    EXPECT_EQ(saved.viewColor, 0xFF0000u);

    CMsgManagerFrame* again = open(std::nullopt);
    EXPECT_EQ(again->tree()->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(again->list()->palette().color(QPalette::Text), QColor(0x80, 0, 0));
    EXPECT_EQ(again->look().viewFont.pointSize(), 15);
    EXPECT_NE(again->view()->text()->palette().color(QPalette::Base), QColor(0xEE, 0xEE, 0xEE));
}

TEST_F(MsgManagerFrameTest, FindSearchesThePartnerChosenInItsBox) {
    put(kAnna, "lunch at noon", 1);
    put(kAnna, "dinner", 2);
    put(kDora, "lunch?", 3);
    CMsgManagerFrame* f = open(std::nullopt);
    trigger(*f, "find");
    auto* find = f->findChild<CMsgFindDlg*>();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->windowTitle(), QString::fromUtf8("查找"));
    QStringList entries;
    for (int i = 0; i < find->partners()->count(); ++i) entries << find->partners()->itemText(i);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{"501(anna)", "777"}));
    EXPECT_EQ(find->partners()->currentIndex(), 0);

    find->partners()->setCurrentIndex(find->partners()->findText("501(anna)"));
    find->needle()->setText("lunch");
    find->findChild<QPushButton*>("start")->click();
    ASSERT_EQ(find->results()->rowCount(), 1);
    EXPECT_EQ(find->results()->item(0, 0)->text(), "501(anna)");
    EXPECT_EQ(find->results()->item(0, 1)->text(), "lunch at noon");
    testing::saveScreenshot(*find, "ui_msg_manager_find.png");

    // Text GBK cannot hold is in no message, although GBK would write it as "?".
    find->partners()->setCurrentIndex(find->partners()->findText("777"));
    find->needle()->setText(QString::fromUtf8("\U0001F600"));
    find->findChild<QPushButton*>("start")->click();
    EXPECT_EQ(find->results()->rowCount(), 0);
}

}  // namespace
}  // namespace zemra::client::ui
