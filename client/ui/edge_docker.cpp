#include "client/ui/edge_docker.h"

namespace zemra::client::ui {

EdgeDocker::EdgeDocker(Window window, QObject* parent)
    : QObject(parent), window_(std::move(window)) {
    connect(&watch_, &QTimer::timeout, this, &EdgeDocker::onWatch);
    slide_.setInterval(EdgeDock::kSlideStepMs);
    connect(&slide_, &QTimer::timeout, this, [this] {
        ++step_;
        place(EdgeDock::slide(from_, to_, step_));
        if (step_ >= EdgeDock::kSlideSteps) slide_.stop();
    });
}

void EdgeDocker::place(const QRect& r) {
    placing_ = true;
    window_.setGeometry(r);
    placing_ = false;
}

void EdgeDocker::windowMoved() {
    if (placing_ || slide_.isActive()) return;
    const QRect area = window_.workArea();
    const EdgeDock::Edge edge = EdgeDock::edgeFor(window_.cursor(), area);
    edge_ = edge;
    hidden_ = false;
    if (edge == EdgeDock::Edge::None) {
        watch_.stop();
        return;
    }
    place(EdgeDock::docked(window_.geometry(), edge, area));
    watch_.start(kWatchMs);
}

bool EdgeDocker::slideIn() {
    if (edge_ == EdgeDock::Edge::None || !hidden_) return false;
    hidden_ = false;
    slideTo(EdgeDock::docked(window_.geometry(), edge_, window_.workArea()));
    // The user gets time to reach the window before it may hide again.
    watch_.start(kAfterSlideInMs);
    return true;
}

void EdgeDocker::onWatch() {
    if (edge_ == EdgeDock::Edge::None || hidden_ || slide_.isActive()) return;
    // After the long first wait, watch closely again.
    watch_.setInterval(kWatchMs);
    if (window_.buttonsDown()) return;
    if (!EdgeDock::cursorLeft(window_.cursor(), window_.geometry())) return;
    // Hidden, the window waits for the open action: nothing left to watch.
    watch_.stop();
    hidden_ = true;
    slideTo(EdgeDock::hidden(window_.geometry(), edge_, window_.workArea()));
}

void EdgeDocker::slideTo(const QRect& target) {
    from_ = window_.geometry();
    to_ = target;
    step_ = 0;
    slide_.start();
}

}  // namespace zemra::client::ui
