#include "client/ui/contact_bar_model.h"

#include <gtest/gtest.h>

namespace zemra::client::ui {
namespace {

std::vector<QString> names(int count) {
    std::vector<QString> out;
    for (int i = 0; i < count; ++i) out.push_back(QString("n%1").arg(i));
    return out;
}

// A 200 x 300 bar with three groups; group 1 is open and holds `rows`.
ContactBarModel threeGroups(int rows, bool large) {
    ContactBarModel m;
    m.setBounds(QRect(0, 0, 200, 300));
    m.setScrollButtonSide(16);
    m.setGroups({names(2), names(rows), names(1)});
    m.setOpenGroup(1);
    m.setLargeIcons(large);
    return m;
}

TEST(ContactBarModel, HeadersStackAroundTheOpenGroup) {
    const ContactBarModel m = threeGroups(3, true);
    EXPECT_EQ(m.headerRect(0), QRect(0, 0, 200, 22));
    EXPECT_EQ(m.headerRect(1), QRect(0, 22, 200, 22));
    EXPECT_EQ(m.headerRect(2), QRect(0, 278, 200, 22));  // ends at the bottom edge
    EXPECT_EQ(m.itemArea(), QRect(0, 44, 200, 234));
    EXPECT_EQ(m.rowTop(0), 49);
    EXPECT_EQ(m.rowTop(2), 49 + 2 * 48);
    EXPECT_EQ(m.iconRect(1), QRect(84, 97, 32, 32));
    EXPECT_EQ(m.labelRect(1).top(), 97 + 32);
}

TEST(ContactBarModel, HitCodesForHeadersRowsAndNothing) {
    ContactBarModel m = threeGroups(3, true);
    EXPECT_EQ(m.hitTest(QPoint(10, 5)), hitCode(HitKind::Header, 0));
    EXPECT_EQ(m.hitTest(QPoint(10, 30)), hitCode(HitKind::Header, 1));
    EXPECT_EQ(m.hitTest(QPoint(10, 285)), hitCode(HitKind::Header, 2));
    EXPECT_EQ(m.hitTest(QPoint(10, 299)), kNoHit);  // the last pixel row
    // Large icons: only the icon column of a row hits.
    EXPECT_EQ(m.hitTest(QPoint(100, 44 + 48 + 10)), hitCode(HitKind::Item, 1));
    EXPECT_EQ(m.hitTest(QPoint(100, 44 + 48 + 40)), kNoHit);      // the label under the icon
    EXPECT_EQ(m.hitTest(QPoint(20, 44 + 10)), kNoHit);            // beside the icon
    EXPECT_EQ(m.hitTest(QPoint(100, 44 + 3 * 48 + 10)), kNoHit);  // no fourth row
    // Small icons: anything left of 48 pixels.
    m.setLargeIcons(false);
    EXPECT_EQ(m.hitTest(QPoint(47, 44 + 22 + 3)), hitCode(HitKind::Item, 1));
    EXPECT_EQ(m.hitTest(QPoint(49, 44 + 22 + 3)), kNoHit);
}

TEST(ContactBarModel, ScrollButtonsExistOnlyWhileScrollingIsPossible) {
    ContactBarModel m = threeGroups(10, true);  // 10 rows of 48 in 234 pixels
    EXPECT_FALSE(m.scrollButton(kScrollUp));
    ASSERT_TRUE(m.scrollButton(kScrollDown));
    const QRect down = *m.scrollButton(kScrollDown);
    EXPECT_EQ(down, QRect(200 - 5 - 16, 278 - 5 - 16, 16, 16));
    EXPECT_EQ(m.hitTest(down.center()), hitCode(HitKind::ScrollButton, kScrollDown));
    int steps = 0;
    while (m.scrollDown()) ++steps;
    // The last row ends inside the area once the first visible row is 6.
    EXPECT_EQ(m.firstVisibleRow(), 6);
    EXPECT_EQ(steps, 6);
    EXPECT_FALSE(m.scrollButton(kScrollDown));
    ASSERT_TRUE(m.scrollButton(kScrollUp));
    EXPECT_EQ(m.hitTest(m.scrollButton(kScrollUp)->center()),
              hitCode(HitKind::ScrollButton, kScrollUp));
    // Hitting a row takes the first visible row into account.
    EXPECT_EQ(m.hitTest(QPoint(100, 44 + 10)), hitCode(HitKind::Item, 6));
}

TEST(ContactBarModel, WheelScrollsWholeNotchesWithinLimits) {
    ContactBarModel m = threeGroups(10, true);
    m.wheel(-240);
    EXPECT_EQ(m.firstVisibleRow(), 2);
    m.wheel(120);
    EXPECT_EQ(m.firstVisibleRow(), 1);
    m.wheel(60);  // less than a notch
    EXPECT_EQ(m.firstVisibleRow(), 1);
    m.wheel(-120 * 50);
    EXPECT_EQ(m.firstVisibleRow(), 6);
    m.wheel(120 * 50);
    EXPECT_EQ(m.firstVisibleRow(), 0);
}

TEST(ContactBarModel, KeyJumpsToTheNextMatchingLabelAndWraps) {
    ContactBarModel m;
    m.setBounds(QRect(0, 0, 200, 300));
    m.setGroups({{"Anna", "bert", "Bob", "carl", "Ben"}});
    EXPECT_EQ(m.jumpTo('B', -1), 1);
    EXPECT_EQ(m.firstVisibleRow(), 1);
    EXPECT_EQ(m.jumpTo('b', 1), 2);
    EXPECT_EQ(m.jumpTo('b', 4), 1);  // wraps round
    EXPECT_EQ(m.jumpTo('z', 1), std::nullopt);
    EXPECT_EQ(m.firstVisibleRow(), 1);  // unchanged when nothing matches
}

TEST(ContactBarModel, NewGroupsKeepTheOpenGroupWhereItStillExists) {
    ContactBarModel m = threeGroups(10, true);
    m.setOpenGroup(2);
    m.setGroups({names(1), names(1)});
    EXPECT_EQ(m.openGroup(), 1);
    m.setOpenGroup(5);  // no such group
    EXPECT_EQ(m.openGroup(), 1);
}

}  // namespace
}  // namespace zemra::client::ui
