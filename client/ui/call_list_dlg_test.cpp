#include "client/ui/call_list_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "client/testing/window_test_support.h"
#include "client/ui/image_lists.h"
#include "client/ui/ui_text.h"
#include "platform/paths.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kOwn = 7001;
constexpr uint32_t kAnna = 8001;
constexpr uint32_t kBert = 8002;

std::tm dayOf(const QDate& date, const QTime& time = {}) {
    std::tm t{};
    t.tm_year = date.year() - 1900;
    t.tm_mon = date.month() - 1;
    t.tm_mday = date.day();
    t.tm_hour = time.hour();
    t.tm_min = time.minute();
    t.tm_sec = time.second();
    return t;
}

struct Done {
    std::string what;
    uint32_t id;
    std::string gbkName;
};

class CallListDlgTest : public ::testing::Test {
  protected:
    CallListDlgTest() : dir_(paths::callListDirIn(home_.path(), kOwn)) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        fs::create_directories(dir_);
        // Today: Anna missed while idle, Bert refused, then Anna accepted
        // (the newest). Yesterday: one refused call of Bert's.
        const QDate today = QDate::currentDate();
        log(today, {{kAnna, "安娜", store::kCallMissedIdle, QTime(9, 0, 0)},
                    {kBert, "贝尔特", store::kCallOutRefused, QTime(10, 30, 0)},
                    {kAnna, "安娜", store::kCallInAccepted, QTime(11, 45, 9)}});
        log(today.addDays(-1), {{kBert, "贝尔特", store::kCallOutRefused, QTime(22, 1, 2)},
                                {kAnna, "安娜", store::kCallOutNoAnswer, QTime(23, 0, 0)}});
    }

    struct Call {
        uint32_t id;
        const char* name;
        uint32_t kind;
        QTime time;
    };

    void log(const QDate& date, const std::vector<Call>& calls) {
        store::CFilelog file;
        ASSERT_TRUE(file.Open(dir_ / store::callLogFileName(dayOf(date), kOwn)));
        for (const Call& c : calls) {
            file.id = c.id;
            file.name = text::toGbk(c.name);
            file.kind = c.kind;
            file.stamp(dayOf(date, c.time));
            ASSERT_TRUE(file.Append());
        }
    }

    // A dialog whose actions and messages land in done_ and told_.
    CCallListDlg* open(bool inCall = false) {
        CallListActions actions;
        actions.inCall = [inCall] { return inCall; };
        actions.isFriend = [](uint32_t id) { return id == kBert; };
        auto record = [this](const char* what) {
            return [this, what](uint32_t id, const std::string& name) {
                done_.push_back({what, id, name});
            };
        };
        actions.call = record("call");
        actions.chat = record("chat");
        actions.details = record("details");
        actions.addFriend = record("addFriend");
        actions.blackList = record("blackList");
        auto* dlg = new CCallListDlg(dir_, kOwn, actions);
        dlg->setTell([this](const QString& text) { told_.push_back(text); });
        dlg->show();
        return dlg;
    }

    static QTreeWidget* list(CCallListDlg* dlg) { return dlg->findChild<QTreeWidget*>("list"); }
    static void click(CCallListDlg* dlg, const char* name) {
        auto* b = dlg->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    static QStringList row(CCallListDlg* dlg, int index) {
        QStringList texts;
        auto* item = list(dlg)->topLevelItem(index);
        if (!item) return texts;
        for (int c = 0; c < 4; ++c) texts << item->text(c);
        return texts;
    }
    static void select(CCallListDlg* dlg, int index) {
        list(dlg)->setCurrentItem(list(dlg)->topLevelItem(index));
    }

    zemra::testing::TempDir home_;
    fs::path dir_;
    std::vector<Done> done_;
    QStringList told_;
};

TEST_F(CallListDlgTest, ListStaysEmptyUntilQueryThenShowsTodaysCallsNewestFirst) {
    QPointer<CCallListDlg> dlg = open();
    EXPECT_EQ(dlg->findChild<QDateEdit*>("date")->date(), QDate::currentDate());
    EXPECT_TRUE(dlg->findChild<QDateEdit*>("date")->calendarPopup());
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 0);

    click(dlg, "query");
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 3);
    EXPECT_EQ(row(dlg, 0), (QStringList{"8001", u("安娜"), "11:45:09", u("呼入接收")}));
    EXPECT_EQ(row(dlg, 1), (QStringList{"8002", u("贝尔特"), "10:30:00", u("呼出拒绝")}));
    EXPECT_EQ(row(dlg, 2), (QStringList{"8001", u("安娜"), "09:00:00", u("空闲中未接")}));
    EXPECT_EQ(list(dlg)->currentItem(), list(dlg)->topLevelItem(0));
    EXPECT_TRUE(list(dlg)->topLevelItem(0)->isSelected());
    EXPECT_TRUE(told_.isEmpty());

    // The header texts keep their spaces.
    auto* header = list(dlg)->headerItem();
    EXPECT_EQ((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
              (QStringList{u("   ID   "), u("  名  称  "), u(" 呼叫时间 "), u(" 呼叫类别 ")}));
    testing::saveScreenshot(*dlg, "ui_call_list.png");
    dlg->close();
}

TEST_F(CallListDlgTest, TheChosenDayAndTheTickedBoxesDecideTheRows) {
    QPointer<CCallListDlg> dlg = open();
    dlg->findChild<QDateEdit*>("date")->setDate(QDate::currentDate().addDays(-1));
    click(dlg, "query");
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 2);
    EXPECT_EQ(row(dlg, 0)[3], u("呼出没反应"));

    auto* refused = dlg->findChild<QCheckBox*>("filter5");
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->text(), u("呼出对方拒绝"));
    refused->setChecked(true);
    click(dlg, "query");
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 1);
    EXPECT_EQ(row(dlg, 0), (QStringList{"8002", u("贝尔特"), "22:01:02", u("呼出拒绝")}));

    dlg->findChild<QDateEdit*>("date")->setDate(QDate::currentDate());
    dlg->findChild<QCheckBox*>("filter0")->setChecked(true);
    click(dlg, "query");
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 2);
    EXPECT_EQ(row(dlg, 0)[3], u("呼出拒绝"));
    EXPECT_EQ(row(dlg, 1)[3], u("空闲中未接"));
    dlg->close();
}

TEST_F(CallListDlgTest, ADayWithoutCallsGetsAnEmptyFileAndTheNoDataMessage) {
    QPointer<CCallListDlg> dlg = open();
    click(dlg, "query");
    ASSERT_EQ(list(dlg)->topLevelItemCount(), 3);

    const QDate empty = QDate::currentDate().addDays(-30);
    const fs::path file = dir_ / store::callLogFileName(dayOf(empty), kOwn);
    ASSERT_FALSE(fs::exists(file));
    dlg->findChild<QDateEdit*>("date")->setDate(empty);
    click(dlg, "query");
    EXPECT_EQ(list(dlg)->topLevelItemCount(), 0) << "the old rows go";
    EXPECT_EQ(told_, QStringList{u("对不起,没有满足条件的数据存在!")});
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    dlg->close();
}

TEST_F(CallListDlgTest, MessagesComeInABoxCaptionedZemra) {
    CallListActions none;
    QPointer<CCallListDlg> dlg = new CCallListDlg(dir_, kOwn, none);
    dlg->show();
    QString title;
    QString text;
    QTimer::singleShot(100, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    click(dlg, "chat");
    EXPECT_EQ(title, "zemra");
    EXPECT_EQ(text, u("您好,请选择用户!"));
    dlg->close();
}

TEST_F(CallListDlgTest, ActionsRefuseWithTheirMessagesOrRunForTheSelectedCaller) {
    QPointer<CCallListDlg> dlg = open();
    for (const char* button : {"call", "chat", "details", "addFriend", "blackList"}) {
        click(dlg, button);
    }
    EXPECT_EQ(told_, QStringList(5, u("您好,请选择用户!"))) << "nothing listed yet";
    EXPECT_TRUE(done_.empty());
    told_.clear();

    click(dlg, "query");
    select(dlg, 1);  // Bert, a friend
    click(dlg, "addFriend");
    click(dlg, "blackList");
    EXPECT_EQ(told_, QStringList(2, u("对不起,用户已在您的好友名单中!")));
    click(dlg, "chat");
    select(dlg, 2);  // Anna
    click(dlg, "details");
    click(dlg, "blackList");
    ASSERT_EQ(done_.size(), 3u);
    EXPECT_EQ(done_[0].what, "chat");
    EXPECT_EQ(done_[0].id, kBert);
    EXPECT_EQ(done_[0].gbkName, text::toGbk("贝尔特")) << "the name as stored";
    EXPECT_EQ(done_[1].what, "details");
    EXPECT_EQ(done_[1].id, kAnna);
    EXPECT_EQ(done_[2].what, "blackList");
    EXPECT_EQ(done_[2].gbkName, text::toGbk("安娜"));
    EXPECT_TRUE(dlg->isVisible()) << "only a call closes the list";

    click(dlg, "call");
    ASSERT_EQ(done_.size(), 4u);
    EXPECT_EQ(done_[3].what, "call");
    EXPECT_EQ(done_[3].id, kAnna);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.isNull(); }, 2000)) << "closed and deleted";
}

TEST_F(CallListDlgTest, ACallIsRefusedDuringACallAndToOneself) {
    QPointer<CCallListDlg> busy = open(true);
    click(busy, "query");
    click(busy, "call");
    EXPECT_EQ(told_, QStringList{u("请稍侯,您正在通话中!")});
    busy->close();

    // A log of the user's own calls to himself, as a hand-made file may hold.
    log(QDate::currentDate(), {{kOwn, "自己", store::kCallOutNoAnswer, QTime(12, 0, 0)}});
    told_.clear();
    QPointer<CCallListDlg> dlg = open();
    click(dlg, "query");
    click(dlg, "call");
    click(dlg, "addFriend");
    EXPECT_EQ(told_, (QStringList{u("对不起,不能呼叫自己!"), u("对不起,不能对自己进行操作!")}));
    EXPECT_TRUE(done_.empty());
    EXPECT_FALSE(dlg.isNull());
    dlg->close();
}

}  // namespace
}  // namespace zemra::client::ui
