#include "client/ui/video_surface.h"

#include <QPainter>

#include "client/ui/window_message_bridge.h"

namespace zemra::client::ui {
namespace {

QString key(const QRect& r) {
    return QString("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace

VideoSurface::VideoSurface(QWidget* parent)
    : QWidget(parent), handle_(WindowMessageBridge::registerWidget(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

VideoSurface::~VideoSurface() {
    WindowMessageBridge::unregisterWidget(handle_);
}

void VideoSurface::clear() {
    shown_.clear();
    latest_ = QImage();
    update();
}

bool VideoSurface::event(QEvent* event) {
    if (event->type() != PictureEvent::kType) return QWidget::event(event);
    auto* picture = static_cast<PictureEvent*>(event);
    latest_ = picture->image;
    ++pictures_;
    // A picture for another place than before replaces what was there.
    shown_.clear();
    shown_.insert(key(picture->where), {picture->where, picture->image});
    update(picture->where);
    return true;
}

void VideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const auto& [where, image] : shown_) painter.drawImage(where, image);
}

void VideoSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace zemra::client::ui
