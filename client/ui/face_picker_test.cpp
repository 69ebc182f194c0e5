#include "client/ui/face_picker.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "client/ui/image_lists.h"

namespace zemra::client::ui {
namespace {

TEST(FacePickerGeometry, CellsTileTheGridRowByRow) {
    EXPECT_EQ(CFacePicker::cellRect(0), QRect(0, 0, 26, 26));
    EXPECT_EQ(CFacePicker::cellRect(23), QRect(78, 52, 26, 26));
    EXPECT_EQ(CFacePicker::cellRect(49), QRect(234, 104, 26, 26));
    EXPECT_TRUE(CFacePicker::cellRect(50).isNull());
    EXPECT_TRUE(CFacePicker::cellRect(-1).isNull());
    for (int i = 0; i < 50; ++i) {
        const QRect r = CFacePicker::cellRect(i);
        EXPECT_EQ(CFacePicker::cellAt(r.topLeft()), i);
        EXPECT_EQ(CFacePicker::cellAt(r.bottomRight()), i);
    }
    EXPECT_EQ(CFacePicker::cellAt({-1, 0}), -1);
    EXPECT_EQ(CFacePicker::cellAt({0, -1}), -1);
    EXPECT_EQ(CFacePicker::cellAt({260, 0}), -1);
    EXPECT_EQ(CFacePicker::cellAt({0, 130}), -1);
}

class FacePickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        picker.popUpAt({40, 40});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    }
    void TearDown() override { picker.close(); }

    QColor pixel(const QPoint& p) { return picker.grab().toImage().pixelColor(p); }

    CFacePicker picker;
};

TEST_F(FacePickerTest, TheClientAreaIsTenByFiveCellsWithPicturesInset) {
    EXPECT_EQ(picker.size(), QSize(260, 130));
    EXPECT_EQ(picker.rect(), picker.contentsRect());
    const QImage shot = picker.grab().toImage();
    const QImage face = imageLists().emoticon(23).toImage();
    ASSERT_EQ(face.size(), QSize(20, 20));
    // Picture 23 sits 3 pixels into its cell at row 2, column 3: every opaque
    // pixel of it is there.
    int opaque = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const QColor c = face.pixelColor(x, y);
            if (c.alpha() != 255) continue;
            ++opaque;
            EXPECT_EQ(shot.pixelColor(81 + x, 55 + y), c) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 100);
}

TEST_F(FacePickerTest, ACellShowsItsCodeAsToolTip) {
    const QPoint centre = CFacePicker::cellRect(23).center();
    QHelpEvent help(QEvent::ToolTip, centre, picker.mapToGlobal(centre));
    QApplication::sendEvent(&picker, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "/<K>");
    QToolTip::hideText();
}

TEST_F(FacePickerTest, TheCellUnderTheMouseIsRaisedAndThePreviousFlattened) {
    const QColor flat = pixel(CFacePicker::cellRect(23).topLeft());
    QTest::mouseMove(&picker, CFacePicker::cellRect(23).center());
    EXPECT_EQ(picker.hotCell(), 23);
    EXPECT_NE(pixel(CFacePicker::cellRect(23).topLeft()), flat);
    QTest::mouseMove(&picker, CFacePicker::cellRect(24).center());
    EXPECT_EQ(picker.hotCell(), 24);
    EXPECT_EQ(pixel(CFacePicker::cellRect(23).topLeft()), flat);
    EXPECT_NE(pixel(CFacePicker::cellRect(24).topLeft()), flat);
}

TEST_F(FacePickerTest, AClickOnACellPicksItAndCloses) {
    QSignalSpy picked(&picker, &CFacePicker::picked);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, CFacePicker::cellRect(23).center());
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).toInt(), 23);
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(FacePickerTest, AClickOutsideClosesWithoutPicking) {
    QSignalSpy picked(&picker, &CFacePicker::picked);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(picked.count(), 0);
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(FacePickerTest, LosingFocusToAnotherWindowCloses) {
    QSignalSpy picked(&picker, &CFacePicker::picked);
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker.isVisible(); }, 1000));
    EXPECT_EQ(picked.count(), 0);
}

}  // namespace
}  // namespace zemra::client::ui
