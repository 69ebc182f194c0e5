// Docking the main window at a screen edge: which edge a move lands on, where
// the window is held, and where it hides with two pixels left showing.
#pragma once

#include <QPoint>
#include <QRect>

namespace zemra::client::ui {

class EdgeDock {
  public:
    enum class Edge { None = 0, Top = 1, Left = 2, Right = 3 };
    static constexpr int kSnap = 20;
    static constexpr int kLeave = 10;
    static constexpr int kVisible = 2;
    static constexpr int kSlideSteps = 20;
    static constexpr int kSlideStepMs = 20;

    // The edge the cursor is near while the window moves in `workArea`.
    static Edge edgeFor(QPoint cursor, const QRect& workArea);
    // The window held against `edge`.
    static QRect docked(const QRect& window, Edge edge, const QRect& workArea);
    // The window slid out of view but for a strip of kVisible pixels.
    static QRect hidden(const QRect& window, Edge edge, const QRect& workArea);
    // True when the cursor has left the window grown by kLeave on every side.
    static bool cursorLeft(QPoint cursor, const QRect& window);
    // Step `step` of kSlideSteps between two placements.
    static QRect slide(const QRect& from, const QRect& to, int step);
};

}  // namespace zemra::client::ui
