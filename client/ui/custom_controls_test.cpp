#include <gtest/gtest.h>

#include <QPainter>

#include "client/ui/image_button.h"
#include "client/ui/link_static.h"
#include "client/ui/percent_progress.h"

namespace zemra::client::ui {
namespace {

QPixmap filled(const QColor& colour) {
    QPixmap p(10, 10);
    p.fill(colour);
    return p;
}

TEST(CPercentProgress, WritesTheTruncatedPercentageOrTheFixedText) {
    CPercentProgress bar;
    bar.setPosition(37);
    EXPECT_EQ(bar.text(), "37%");
    EXPECT_EQ(bar.filledWidth(200), 74);
    bar.setRange(0, 3);
    bar.setPosition(2);
    EXPECT_EQ(bar.text(), "66%");
    bar.setFixedText("wait");
    EXPECT_EQ(bar.text(), "wait");
    bar.setRange(5, 5);  // nothing to show in an empty range
    EXPECT_EQ(bar.text(), "");
    EXPECT_EQ(bar.filledWidth(200), 0);
}

TEST(CImageButton, PicturesByStateWithTheNormalOneForAMissingDisabledOne) {
    CImageButton button;
    const QPixmap normal = filled(Qt::red), pressed = filled(Qt::green), hover = filled(Qt::blue);
    button.setImages(normal, pressed, hover);
    EXPECT_EQ(button.currentImage().toImage(), normal.toImage());
    button.setDown(true);
    EXPECT_EQ(button.currentImage().toImage(), pressed.toImage());
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.currentImage().toImage(), normal.toImage());
    button.setImages(normal, pressed, hover, filled(Qt::gray));
    EXPECT_EQ(button.currentImage().toImage(), filled(Qt::gray).toImage());
    button.setDrawMode(5);
    EXPECT_EQ(button.drawMode(), 2);
    button.setDrawMode(-3);
    EXPECT_EQ(button.drawMode(), 0);
}

TEST(CLinkStatic, AnEmptyTargetOpensItsOwnTextAndColoursFollowTheState) {
    CLinkStatic link("http://example.org/");
    EXPECT_EQ(link.effectiveTarget(), "http://example.org/");
    link.setTarget("http://other.example/");
    EXPECT_EQ(link.effectiveTarget(), "http://other.example/");
    EXPECT_EQ(link.currentColour(), CLinkStatic::kUnvisited);
}

}  // namespace
}  // namespace zemra::client::ui
