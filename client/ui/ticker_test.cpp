#include "client/ui/ticker.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QVBoxLayout>

namespace zemra::client::ui {
namespace {

// Waits up to two seconds for the text to move at least one step.
bool moves(const Ticker& ticker) {
    const int start = ticker.offset();
    for (int i = 0; i < 100 && ticker.offset() == start; ++i) QTest::qWait(20);
    return ticker.offset() != start;
}

TEST(TickerTest, NeverShownTickerDoesNotScroll) {
    Ticker ticker;
    ticker.setText("news");
    EXPECT_FALSE(ticker.scrolling());
    QTest::qWait(200);  // five timer periods
    EXPECT_EQ(ticker.offset(), 0);
}

TEST(TickerTest, ScrollsWhileShownAndStopsWhenHidden) {
    Ticker ticker;
    ticker.setText("news");
    ticker.show();
    EXPECT_TRUE(ticker.scrolling());
    EXPECT_TRUE(moves(ticker));

    ticker.hide();
    EXPECT_FALSE(ticker.scrolling());
    const int stoppedAt = ticker.offset();
    QTest::qWait(200);
    EXPECT_EQ(ticker.offset(), stoppedAt);

    ticker.show();
    EXPECT_TRUE(ticker.scrolling());
    EXPECT_TRUE(moves(ticker));
}

TEST(TickerTest, FollowsTheWindowItSitsIn) {
    QWidget window;
    auto* ticker = new Ticker;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(ticker);
    EXPECT_FALSE(ticker->scrolling());
    window.show();
    EXPECT_TRUE(ticker->scrolling());
    window.hide();
    EXPECT_FALSE(ticker->scrolling());
    window.show();
    EXPECT_TRUE(ticker->scrolling());
}

}  // namespace
}  // namespace zemra::client::ui
