#include "client/ui/reply_list_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "client/ui/image_lists.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

using testing::readFile;
using testing::writeFile;

// GBK file contents from UTF-8 lines.
std::string gbkFile(const char* utf8) {
    return text::toGbk(utf8);
}

QStringList rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

class ReplyListDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        writeFile(quickFile(), gbkFile("哦\n好了,好了,我知道了\n是吗?\n"));
        writeFile(awayFile(), gbkFile("工作中，请勿打扰\n我去吃饭了\n马上回来\n"));
    }

    std::filesystem::path quickFile() const { return dir / "quickreply.txt"; }
    std::filesystem::path awayFile() const { return dir / "autoreply.txt"; }

    // Runs the dialog and, once it shows, does `action` with it.
    int runWith(CReplyListDlg& dialog, std::function<void()> action) {
        QTimer::singleShot(0, &dialog, action);
        return dialog.run();
    }

    // Types `text` into a list's edit line and presses `button`.
    static void enter(CReplyListDlg& dialog, int which, const QString& text,
                      CReplyListDlg::Button button) {
        dialog.editLine(which)->setText(text);
        dialog.button(which, button)->click();
    }

    // Types `text` key by key, as a Chinese input method delivers it.
    static void type(QLineEdit* edit, const QString& text) {
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    testing::TempDir dir;
};

TEST_F(ReplyListDlgTest, EditsRoundTripThroughTheFiles) {
    CReplyListDlg dialog(dir.path());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("回复设置"));
    const int result = runWith(dialog, [&] {
        using D = CReplyListDlg;
        EXPECT_EQ(rows(dialog.quickList()),
                  QString::fromUtf8("哦|好了,好了,我知道了|是吗?").split('|'));
        EXPECT_EQ(rows(dialog.awayList()),
                  QString::fromUtf8("工作中，请勿打扰|我去吃饭了|马上回来").split('|'));

        // Quick list: add at the end, change the first, move the third down.
        enter(dialog, D::kQuick, QString::fromUtf8("  新的一条 "), D::kAdd);
        dialog.quickList()->setCurrentRow(0);
        EXPECT_EQ(dialog.editLine(D::kQuick)->text(), QString::fromUtf8("哦"));
        enter(dialog, D::kQuick, QString::fromUtf8("嗯"), D::kChange);
        dialog.quickList()->setCurrentRow(2);
        dialog.button(D::kQuick, D::kDown)->click();
        dialog.button(D::kQuick, D::kDown)->click();  // already last: stays
        EXPECT_EQ(rows(dialog.quickList()),
                  QString::fromUtf8("嗯|好了,好了,我知道了|新的一条|是吗?").split('|'));

        // Away list: delete the first, move the last to the top.
        dialog.awayList()->setCurrentRow(0);
        dialog.button(D::kAway, D::kDelete)->click();
        dialog.awayList()->setCurrentRow(1);
        dialog.button(D::kAway, D::kUp)->click();
        dialog.button(D::kAway, D::kUp)->click();  // already first: stays
        EXPECT_EQ(rows(dialog.awayList()), QString::fromUtf8("马上回来|我去吃饭了").split('|'));

        dialog.okButton()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(readFile(quickFile()), gbkFile("嗯\n好了,好了,我知道了\n新的一条\n是吗?\n"));
    EXPECT_EQ(readFile(awayFile()), gbkFile("马上回来\n我去吃饭了\n"));
}

TEST_F(ReplyListDlgTest, OkWritesBothListsEvenWhereNothingWasThere) {
    std::filesystem::remove(awayFile());
    CReplyListDlg dialog(dir.path());
    EXPECT_EQ(dialog.awayList()->count(), 0);
    enter(dialog, CReplyListDlg::kAway, QString::fromUtf8("不在"), CReplyListDlg::kAdd);
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(readFile(awayFile()), gbkFile("不在\n"));
    EXPECT_EQ(readFile(quickFile()), gbkFile("哦\n好了,好了,我知道了\n是吗?\n"));
}

TEST_F(ReplyListDlgTest, CancelLeavesTheFilesUntouched) {
    // Windows line ends and a blank line: anything written back would differ.
    const std::string quick = gbkFile("哦\r\n\r\n是吗?\r\n");
    const std::string away = gbkFile("工作中\n\n");
    writeFile(quickFile(), quick);
    writeFile(awayFile(), away);
    CReplyListDlg dialog(dir.path());
    const int result = runWith(dialog, [&] {
        enter(dialog, CReplyListDlg::kQuick, "new", CReplyListDlg::kAdd);
        dialog.awayList()->setCurrentRow(0);
        dialog.button(CReplyListDlg::kAway, CReplyListDlg::kDelete)->click();
        dialog.cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(readFile(quickFile()), quick);
    EXPECT_EQ(readFile(awayFile()), away);
}

TEST_F(ReplyListDlgTest, EntriesAreFiftyCharactersAtMost) {
    const QString fifty = QString::fromUtf8("一二三四五六七八九十").repeated(5);
    // 60 characters are 120 bytes, still one line of the file.
    writeFile(awayFile(), text::toGbk((fifty + "abcdefghij\n").toStdString()));
    CReplyListDlg dialog(dir.path());
    for (int which : {CReplyListDlg::kQuick, CReplyListDlg::kAway}) {
        EXPECT_EQ(dialog.editLine(which)->maxLength(), 50) << which;
    }
    type(dialog.editLine(CReplyListDlg::kQuick), fifty + "x");
    EXPECT_EQ(dialog.editLine(CReplyListDlg::kQuick)->text(), fifty);
    dialog.button(CReplyListDlg::kQuick, CReplyListDlg::kAdd)->click();
    dialog.okButton()->click();
    EXPECT_EQ(readFile(quickFile()),
              gbkFile("哦\n好了,好了,我知道了\n是吗?\n") + text::toGbk(fifty.toStdString()) + "\n");
    EXPECT_EQ(readFile(awayFile()), text::toGbk(fifty.toStdString()) + "\n");
}

TEST_F(ReplyListDlgTest, BlankEntriesAreNeverStored) {
    writeFile(quickFile(), gbkFile("  哦  \n\n   \n是吗?\n"));
    CReplyListDlg dialog(dir.path());
    enter(dialog, CReplyListDlg::kQuick, "   ", CReplyListDlg::kAdd);
    dialog.quickList()->setCurrentRow(0);
    enter(dialog, CReplyListDlg::kQuick, "   ", CReplyListDlg::kChange);
    dialog.okButton()->click();
    EXPECT_EQ(readFile(quickFile()), gbkFile("哦\n是吗?\n"));
}

TEST_F(ReplyListDlgTest, ALineBreakNeverMakesTwoEntries) {
    CReplyListDlg dialog(dir.path());
    bool stillOpen = false;
    const int result = runWith(dialog, [&] {
        using D = CReplyListDlg;
        // Pasted text goes in as it is, line breaks included.
        dialog.editLine(D::kQuick)->clear();
        dialog.editLine(D::kQuick)->insert(QString::fromUtf8("第一行\r\n第二行\n"));
        dialog.button(D::kQuick, D::kAdd)->click();
        dialog.awayList()->setCurrentRow(0);
        dialog.editLine(D::kAway)->setText(QString::fromUtf8("改\n过"));
        dialog.button(D::kAway, D::kChange)->click();

        // Enter in the edit line adds the text; it does not close the dialog.
        dialog.editLine(D::kQuick)->clear();
        QTest::keyClicks(dialog.editLine(D::kQuick), "typed");
        QTest::keyClick(dialog.editLine(D::kQuick), Qt::Key_Return);
        stillOpen = dialog.isVisible();
        dialog.okButton()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(readFile(quickFile()),
              gbkFile("哦\n好了,好了,我知道了\n是吗?\n第一行第二行\ntyped\n"));
    EXPECT_EQ(readFile(awayFile()), gbkFile("改过\n我去吃饭了\n马上回来\n"));
}

}  // namespace
}  // namespace zemra::client::ui
