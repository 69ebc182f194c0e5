#include "client/ui/edge_docker.h"

#include <gtest/gtest.h>

#include <QTest>

namespace zemra::client::ui {
namespace {

// A window on a 1000 x 700 work area whose cursor the test moves.
class EdgeDockerTest : public ::testing::Test {
  protected:
    EdgeDockerTest()
        : docker(EdgeDocker::Window{[this] { return window; },
                                    [this](const QRect& r) {
                                        window = r;
                                        ++placements;
                                    },
                                    [this] { return cursor; },
                                    [] { return QRect(0, 0, 1000, 700); }, [] { return false; }}) {}

    // Drags the window to the top edge and lets go inside it.
    void dockAtTop() {
        window = QRect(300, 5, 200, 150);
        cursor = QPoint(350, 10);
        docker.windowMoved();
    }

    bool waitSlideDone() {
        return QTest::qWaitFor([&] { return !docker.sliding(); }, 2000);
    }

    QRect window;
    QPoint cursor;
    int placements = 0;
    EdgeDocker docker;
};

TEST_F(EdgeDockerTest, AWindowMovedNearAnEdgeIsHeldAgainstIt) {
    dockAtTop();
    EXPECT_EQ(docker.edge(), EdgeDock::Edge::Top);
    EXPECT_EQ(window.top(), 0);
    EXPECT_TRUE(docker.watching());

    // Moved away from every edge: undocked, nothing watches any more.
    window = QRect(300, 300, 200, 150);
    cursor = QPoint(400, 320);
    docker.windowMoved();
    EXPECT_EQ(docker.edge(), EdgeDock::Edge::None);
    EXPECT_FALSE(docker.watching());
}

TEST_F(EdgeDockerTest, OnceSlidOutOfViewNoTimerTicksUntilTheOpenAction) {
    dockAtTop();
    cursor = QPoint(900, 600);  // the user went elsewhere
    ASSERT_TRUE(QTest::qWaitFor([&] { return docker.hidden(); }, 1000));
    ASSERT_TRUE(waitSlideDone());
    EXPECT_EQ(window.bottom(), EdgeDock::kVisible - 1);  // a strip left showing
    EXPECT_FALSE(docker.watching());
    const int settled = placements;
    QTest::qWait(200);
    EXPECT_EQ(placements, settled);

    ASSERT_TRUE(docker.slideIn());
    ASSERT_TRUE(waitSlideDone());
    EXPECT_FALSE(docker.hidden());
    EXPECT_EQ(window.top(), 0);
    EXPECT_TRUE(docker.watching());
    EXPECT_FALSE(docker.slideIn());  // not hidden any more
}

TEST_F(EdgeDockerTest, TheWindowStaysWhileTheCursorIsOverIt) {
    dockAtTop();
    cursor = QPoint(window.center());
    QTest::qWait(EdgeDocker::kWatchMs * 4);
    EXPECT_FALSE(docker.hidden());
    EXPECT_TRUE(docker.watching());
}

}  // namespace
}  // namespace zemra::client::ui
