// Docking the main window at a screen edge over time: held at the edge while
// the cursor is near, slid out of view once it leaves, slid back in by the
// open action. The window hands in its geometry and the cursor; the timers
// live here, so a test drives the whole cycle without a screen.
#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>
#include <functional>

#include "client/ui/edge_dock.h"

namespace zemra::client::ui {

class EdgeDocker : public QObject {
    Q_OBJECT
  public:
    static constexpr int kWatchMs = 50;
    static constexpr int kAfterSlideInMs = 5000;

    struct Window {
        std::function<QRect()> geometry;
        std::function<void(const QRect&)> setGeometry;
        std::function<QPoint()> cursor;
        std::function<QRect()> workArea;
        std::function<bool()> buttonsDown;
    };

    explicit EdgeDocker(Window window, QObject* parent = nullptr);

    // The window moved (not by us): dock to the edge the cursor is near, or undock.
    void windowMoved();
    // Slides a hidden window back in; false when it was not hidden.
    bool slideIn();

    EdgeDock::Edge edge() const { return edge_; }
    bool hidden() const { return hidden_; }
    bool watching() const { return watch_.isActive(); }
    bool sliding() const { return slide_.isActive(); }

  private:
    void onWatch();
    void slideTo(const QRect& target);
    void place(const QRect& r);

    Window window_;
    QTimer watch_;  // 1006: has the cursor left the docked window?
    QTimer slide_;
    EdgeDock::Edge edge_ = EdgeDock::Edge::None;
    bool hidden_ = false;
    bool placing_ = false;
    QRect from_, to_;
    int step_ = 0;
};

}  // namespace zemra::client::ui
