#include "client/ui/edge_dock.h"

namespace zemra::client::ui {

EdgeDock::Edge EdgeDock::edgeFor(QPoint cursor, const QRect& area) {
    if (cursor.y() - area.top() < kSnap) return Edge::Top;
    if (cursor.x() - area.left() < kSnap) return Edge::Left;
    if (area.right() - cursor.x() < kSnap) return Edge::Right;
    return Edge::None;
}

QRect EdgeDock::docked(const QRect& window, Edge edge, const QRect& area) {
    QRect r = window;
    switch (edge) {
        case Edge::Top:
            r.moveTop(area.top());
            break;
        case Edge::Left:
            r.moveLeft(area.left());
            break;
        case Edge::Right:
            r.moveRight(area.right());
            break;
        case Edge::None:
            break;
    }
    return r;
}

QRect EdgeDock::hidden(const QRect& window, Edge edge, const QRect& area) {
    QRect r = docked(window, edge, area);
    switch (edge) {
        case Edge::Top:
            r.moveBottom(area.top() + kVisible - 1);
            break;
        case Edge::Left:
            r.moveRight(area.left() + kVisible - 1);
            break;
        case Edge::Right:
            r.moveLeft(area.right() - kVisible + 1);
            break;
        case Edge::None:
            break;
    }
    return r;
}

bool EdgeDock::cursorLeft(QPoint cursor, const QRect& window) {
    return !window.adjusted(-kLeave, -kLeave, kLeave, kLeave).contains(cursor);
}

QRect EdgeDock::slide(const QRect& from, const QRect& to, int step) {
    const QPoint d = to.topLeft() - from.topLeft();
    QRect r = from;
    r.moveTopLeft(from.topLeft() + d * step / kSlideSteps);
    return r;
}

}  // namespace zemra::client::ui
