#include "client/ui/contact_list_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

#include "client/ui/image_lists.h"

namespace zemra::client::ui {
namespace {

class ContactListBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        bar.resize(200, 300);
        std::vector<BarGroup> groups(3);
        groups[0].name = "friends";
        for (uint32_t i = 0; i < 10; ++i) {
            groups[0].items.push_back({1000 + i, QString("friend %1").arg(i), int(i)});
        }
        groups[1].name = "strangers";
        groups[2].name = "blacklist";
        bar.setGroups(std::move(groups));
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    ContactListBar bar;
};

TEST_F(ContactListBarTest, HoldingTheDownButtonScrollsToTheEndAndStops) {
    const auto down = bar.model().scrollButton(kScrollDown);
    ASSERT_TRUE(down);
    QTest::mousePress(&bar, Qt::LeftButton, {}, down->center());
    EXPECT_TRUE(bar.scrolling());
    QTest::qWait(120);
    EXPECT_GE(bar.model().firstVisibleRow(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bar.scrolling(); }, 2000));
    EXPECT_FALSE(bar.model().canScrollDown());
    EXPECT_FALSE(bar.model().scrollButton(kScrollDown));
    EXPECT_EQ(bar.pressedCode(), kNoHit);
    EXPECT_EQ(bar.hotCode(), kNoHit);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, down->center());
}

TEST_F(ContactListBarTest, ASingleClickIsReportedAfterTheClickTimeADoubleClickNever) {
    QSignalSpy clicked(&bar, &ContactListBar::itemClicked);
    QSignalSpy doubled(&bar, &ContactListBar::itemDoubleClicked);
    const QPoint icon = bar.model().iconRect(1).center();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, icon);
    EXPECT_EQ(clicked.count(), 0);  // not before the click time has passed
    EXPECT_TRUE(clicked.wait(1000));
    EXPECT_EQ(clicked.takeFirst().at(0).toUInt(), 1001u);

    // What a double click delivers: press, release, double click, release.
    QTest::mousePress(&bar, Qt::LeftButton, {}, icon);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, icon);
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(icon), bar.mapToGlobal(QPointF(icon)),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &second);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(icon), bar.mapToGlobal(QPointF(icon)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &release);
    QTest::qWait(ContactListBar::kClickMs + 100);
    EXPECT_EQ(doubled.count(), 1);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(ContactListBarTest, DraggingAContactOntoAnotherHeaderReportsTheDrop) {
    QSignalSpy dropped(&bar, &ContactListBar::contactDropped);
    const QPoint icon = bar.model().iconRect(2).center();
    const QPoint target = bar.model().headerRect(2).center();
    QTest::mousePress(&bar, Qt::LeftButton, {}, icon);
    EXPECT_EQ(bar.heldItem(), 2);
    QTest::mouseMove(&bar, target);
    EXPECT_EQ(bar.cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, target);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toUInt(), 1002u);
    EXPECT_EQ(dropped.at(0).at(1).toInt(), 2);
    EXPECT_EQ(bar.heldItem(), -1);
}

// The friends of the fixture in reverse order, as a presence change may
// re-sort them while the user is in the middle of an action.
std::vector<BarGroup> reversed(const std::vector<BarGroup>& groups) {
    std::vector<BarGroup> out = groups;
    std::reverse(out[0].items.begin(), out[0].items.end());
    return out;
}

TEST_F(ContactListBarTest, AContactHeldWhileTheListReSortsIsDroppedAsItself) {
    QSignalSpy dropped(&bar, &ContactListBar::contactDropped);
    QTest::mousePress(&bar, Qt::LeftButton, {}, bar.model().iconRect(2).center());
    bar.setGroups(reversed(bar.groups()));
    EXPECT_EQ(bar.heldContact(), 1002u);
    EXPECT_EQ(bar.heldItem(), 7);
    const QPoint target = bar.model().headerRect(2).center();
    QTest::mouseMove(&bar, target);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, target);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toUInt(), 1002u);
}

TEST_F(ContactListBarTest, AClickWaitingForItsTimeStaysWithTheContactThroughAReSort) {
    QSignalSpy clicked(&bar, &ContactListBar::itemClicked);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.model().iconRect(1).center());
    bar.setGroups(reversed(bar.groups()));
    ASSERT_TRUE(clicked.wait(1000));
    EXPECT_EQ(clicked.at(0).at(0).toUInt(), 1001u);
}

TEST_F(ContactListBarTest, AClickOnAContactThatLeftTheListIsNotReported) {
    QSignalSpy clicked(&bar, &ContactListBar::itemClicked);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.model().iconRect(1).center());
    auto groups = bar.groups();
    groups[0].items.erase(groups[0].items.begin() + 1);
    bar.setGroups(std::move(groups));
    QTest::qWait(ContactListBar::kClickMs + 100);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(ContactListBarTest, RenamingAContactNamesItsIdWhateverItsRowBecomes) {
    QSignalSpy renamed(&bar, &ContactListBar::contactRenamed);
    bar.editContactLabel(1003);
    auto* editor = bar.findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "friend 3");
    bar.setGroups(reversed(bar.groups()));
    editor->setText("neighbour");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed.at(0).at(0).toUInt(), 1003u);
    EXPECT_EQ(renamed.at(0).at(1).toString(), "neighbour");
}

TEST_F(ContactListBarTest, ARightClickOnAContactNamesItsId) {
    QSignalSpy right(&bar, &ContactListBar::rightClicked);
    QTest::mouseClick(&bar, Qt::RightButton, {}, bar.model().iconRect(3).center());
    ASSERT_EQ(right.count(), 1);
    EXPECT_EQ(right.at(0).at(0).toInt(), static_cast<int>(HitKind::Item));
    EXPECT_EQ(right.at(0).at(2).toUInt(), 1003u);
}

TEST_F(ContactListBarTest, ClickingAnotherHeaderOpensIt) {
    QSignalSpy leaving(&bar, &ContactListBar::groupLeaving);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.model().headerRect(1).center());
    ASSERT_EQ(leaving.count(), 1);
    EXPECT_EQ(leaving.at(0).at(0).toInt(), 0);
    EXPECT_EQ(bar.model().openGroup(), 1);
}

TEST_F(ContactListBarTest, EditingALabelReportsTheNewText) {
    QSignalSpy edited(&bar, &ContactListBar::groupRenamed);
    bar.editGroupName(0);
    auto* editor = bar.findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->setText("  family ");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 0);
    EXPECT_EQ(edited.at(0).at(1).toString(), "family");
}

}  // namespace
}  // namespace zemra::client::ui
