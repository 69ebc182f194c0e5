// The frame every window of the client draws itself: a picture title bar
// with caps, edges and corners, close and minimise areas, a rounded outline,
// a light grey client area, and dragging by any free spot of the window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

class QEvent;
class QMouseEvent;
class QPainter;
class QWidget;

namespace zemra::client::ui {

// Where the frame's parts lie in a window of width w and height h.
struct FrameGeometry {
    static constexpr int kTitleHeight = 21;
    static constexpr int kCapWidth = 17;
    static constexpr int kCorner = 12;
    static constexpr int kLeftEdge = 5;
    static constexpr int kRightEdge = 6;
    static constexpr int kBottomEdge = 5;

    int w = 0;
    int h = 0;

    QRect title() const { return QRect(kCapWidth, 0, w - 2 * kCapWidth, kTitleHeight); }
    QRect closeArea() const { return QRect(QPoint(w - 30, 2), QPoint(w - 5, 27)); }
    QRect minimiseArea() const { return QRect(QPoint(w - 60, 2), QPoint(w - 35, 27)); }
    QRect caption() const { return QRect(QPoint(10, 1), QPoint(310, 21)); }
    enum class Area { Client, Close, Minimise };
    Area hit(QPoint p, bool hasMinimise) const;
};

class SkinnedFrame {
  public:
    // Makes `window` frameless with the frame's margins and client colour.
    explicit SkinnedFrame(QWidget* window, bool hasMinimise = true);

    void setTopmost(bool on);
    // Paints the frame over the window; call from its paintEvent.
    void paint(QPainter& painter, const QString& caption) const;
    // Rounded outline; call from resizeEvent.
    void updateMask();
    // Mouse handling: true when the frame took the event.
    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    bool mouseRelease(QMouseEvent* event);
    void leave();
    // False while the window must not be dragged (a docked main window
    // decides this itself).
    void setDraggable(bool on) { draggable_ = on; }
    // What the minimise area does; by default the window is minimised.
    void setMinimiseAction(std::function<void()> action) { minimise_ = std::move(action); }

  private:
    QWidget* window_;
    bool hasMinimise_;
    std::function<void()> minimise_;
    bool draggable_ = true;
    bool dragging_ = false;
    QPoint dragOffset_;
    FrameGeometry::Area hot_ = FrameGeometry::Area::Client;
    FrameGeometry::Area pressed_ = FrameGeometry::Area::Client;
};

}  // namespace zemra::client::ui
