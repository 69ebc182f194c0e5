#include "client/ui/sys_msg_history_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "client/app/client_core.h"
#include "client/testing/window_test_support.h"
#include "client/ui/auth_dlg.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

using testing::QuietUi;

// Answers the next message box with `choice` and remembers what it said.
class BoxAnswer {
  public:
    explicit BoxAnswer(QMessageBox::StandardButton choice) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this, choice] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer_.stop();
            text = box->text();
            caption = box->windowTitle();
            box->button(choice)->click();
        });
        timer_.start();
    }
    QString text;
    QString caption;

  private:
    QTimer timer_;
};

// Seconds of a local time, so that the expected texts hold in any time zone.
uint32_t at(int day, int hour, int minute, int second) {
    return static_cast<uint32_t>(
        QDateTime(QDate(2024, 3, day), QTime(hour, minute, second)).toSecsSinceEpoch());
}

class SysMsgHistoryTest : public ::testing::Test {
  protected:
    SysMsgHistoryTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        core_.recordStore().setUserDir(dir_.path());
    }

    ~SysMsgHistoryTest() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<CSysMsgHistoryDlg*>(w) || qobject_cast<CAuthDlg*>(w)) delete w;
        }
    }

    store::ChatMessage store(uint8_t kind, uint32_t from, uint32_t time, std::string text = {}) {
        store::ChatMessage m;
        m.kind = kind;
        m.flags = store::kMessageIncoming;
        m.peer = from;
        m.time = time;
        m.text = std::move(text);
        EXPECT_TRUE(core_.recordStore().putMessage(m));
        return m;
    }

    std::vector<store::ChatMessage> stored() {
        std::vector<store::ChatMessage> list;  // oldest first
        core_.recordStore().LoadMessages(store::kSystemMessagesKey, list);
        return list;
    }

    static QStringList row(CSysMsgHistoryDlg& w, int index) {
        QStringList cells;
        const QTreeWidgetItem* item = w.list()->topLevelItem(index);
        if (!item) return cells;
        for (int c = 0; c < 4; ++c) cells << item->text(c);
        return cells;
    }

    static void click(CSysMsgHistoryDlg& w, const char* name) {
        auto* b = w.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }

    zemra::testing::TempDir dir_;
    QuietUi ui_;
    ClientCore core_;
};

TEST_F(SysMsgHistoryTest, ListsEveryNoticeNewestFirstOnOneLineEach) {
    store(2, 701, at(5, 7, 8, 9));
    store(4, 702, at(6, 23, 59, 1), "no");
    store(5, 703, at(7, 0, 0, 0));
    auto* w = new CSysMsgHistoryDlg(core_);
    w->show();
    const QHeaderView* header = w->list()->header();
    const QTreeWidgetItem* titles = w->list()->headerItem();
    const QStringList names = {"来自何处", "日期", "时间", "内容"};
    const int widths[] = {80, 90, 80, 140};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(titles->text(c), names[c]);
        EXPECT_EQ(header->sectionSize(c), widths[c]) << c;
    }
    ASSERT_EQ(w->list()->topLevelItemCount(), 3);
    EXPECT_EQ(row(*w, 0), QStringList({"703", "2024-03-07", "00:00:00",
                                       QString::fromUtf8("将你列入好友名单")}));
    EXPECT_EQ(row(*w, 1), QStringList({"702", "2024-03-06", "23:59:01",
                                       QString::fromUtf8("拒绝您的身份验证  附加消息:no")}));
    EXPECT_EQ(row(*w, 2), QStringList({"701", "2024-03-05", "07:08:09",
                                       QString::fromUtf8("通过您的身份验证")}));
    EXPECT_EQ(core_.windows().findWindow(WindowKind::SystemMessages, 0),
              reinterpret_cast<WindowHandle>(w));
    testing::saveScreenshot(*w, "ui_sysmsg_history.png");
    delete w;
    EXPECT_FALSE(core_.windows().findWindow(WindowKind::SystemMessages, 0).has_value());
}

TEST_F(SysMsgHistoryTest, DeletingARowDeletesTheNoticeItShows) {
    const auto oldest = store(2, 701, at(5, 1, 0, 0));
    store(5, 702, at(5, 2, 0, 0));
    auto* w = new CSysMsgHistoryDlg(core_);
    w->list()->setCurrentItem(w->list()->topLevelItem(0));
    click(*w, "delete");
    EXPECT_EQ(stored(), std::vector<store::ChatMessage>{oldest});
    ASSERT_EQ(w->list()->topLevelItemCount(), 1);
    EXPECT_EQ(row(*w, 0)[0], "701");
    delete w;
}

TEST_F(SysMsgHistoryTest, ANoticeStoredAfterTheListWasFilledIsNotTheOneDeleted) {
    const auto older = store(2, 701, at(5, 1, 0, 0));
    store(5, 702, at(5, 2, 0, 0));
    auto* w = new CSysMsgHistoryDlg(core_);
    const auto arrived = store(4, 703, at(5, 3, 0, 0), "late");  // now at the top of the store
    w->list()->setCurrentItem(w->list()->topLevelItem(0));       // shows 702
    click(*w, "delete");
    EXPECT_EQ(stored(), (std::vector<store::ChatMessage>{older, arrived}));
    delete w;
}

TEST_F(SysMsgHistoryTest, ANoticeThatIsGoneIsReportedAndTheListRefilled) {
    store(2, 701, at(5, 1, 0, 0));
    const auto kept = store(5, 702, at(5, 2, 0, 0));
    auto* w = new CSysMsgHistoryDlg(core_);
    ASSERT_TRUE(core_.recordStore().DeleteMessageAt(store::kSystemMessagesKey, 1));  // 701
    w->list()->setCurrentItem(w->list()->topLevelItem(1));
    BoxAnswer box(QMessageBox::Ok);
    click(*w, "delete");
    EXPECT_FALSE(box.text.isEmpty());
    EXPECT_EQ(stored(), std::vector<store::ChatMessage>{kept});
    ASSERT_EQ(w->list()->topLevelItemCount(), 1);
    EXPECT_EQ(row(*w, 0)[0], "702");
    delete w;
}

TEST_F(SysMsgHistoryTest, DeleteWithoutASelectedRowAsksForOne) {
    store(2, 701, at(5, 1, 0, 0));
    auto* w = new CSysMsgHistoryDlg(core_);
    w->show();
    BoxAnswer box(QMessageBox::Ok);
    click(*w, "delete");
    EXPECT_EQ(box.text, QString::fromUtf8("请选择一条记录"));
    EXPECT_EQ(box.caption, QString::fromUtf8("错误"));
    EXPECT_EQ(stored().size(), 1u);
    delete w;
}

TEST_F(SysMsgHistoryTest, DeleteAllEmptiesTheStoreOnlyWhenConfirmed) {
    store(2, 701, at(5, 1, 0, 0));
    store(5, 702, at(5, 2, 0, 0));
    store::ChatMessage chat;  // another partner's history is not touched
    chat.peer = 801;
    chat.text = "hi";
    core_.recordStore().putMessage(chat);
    auto* w = new CSysMsgHistoryDlg(core_);
    w->show();
    {
        BoxAnswer no(QMessageBox::No);
        click(*w, "deleteAll");
        EXPECT_EQ(no.text, QString::fromUtf8("您将删除所有的系统记录"));
        EXPECT_EQ(no.caption, QString::fromUtf8("警告"));
    }
    EXPECT_EQ(stored().size(), 2u);
    EXPECT_EQ(w->list()->topLevelItemCount(), 2);
    {
        BoxAnswer yes(QMessageBox::Yes);
        click(*w, "deleteAll");
    }
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(w->list()->topLevelItemCount(), 0);
    std::vector<store::ChatMessage> partner;
    core_.recordStore().LoadMessages(801, partner);
    EXPECT_EQ(partner.size(), 1u);
    delete w;
}

TEST_F(SysMsgHistoryTest, ADoubleClickOpensTheRowsNoticeAgain) {
    store(2, 701, at(5, 1, 0, 0));
    store(3, 702, at(5, 2, 0, 0), "please");
    auto* w = new CSysMsgHistoryDlg(core_);
    w->show();
    QTreeWidgetItem* item = w->list()->topLevelItem(1);
    emit w->list()->itemDoubleClicked(item, 0);
    const auto handle = core_.windows().findWindow(WindowKind::FriendRequestIn, 701);
    ASSERT_TRUE(handle.has_value());
    EXPECT_EQ(reinterpret_cast<CAuthDlg*>(*handle)->message()->toPlainText(),
              QString::fromUtf8("通过您的身份验证"));
    delete w;
}

}  // namespace
}  // namespace zemra::client::ui
