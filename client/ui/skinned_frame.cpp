#include "client/ui/skinned_frame.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

#include "client/ui/image_lists.h"

namespace zemra::client::ui {

FrameGeometry::Area FrameGeometry::hit(QPoint p, bool hasMinimise) const {
    if (closeArea().contains(p)) return Area::Close;
    if (hasMinimise && minimiseArea().contains(p)) return Area::Minimise;
    return Area::Client;
}

SkinnedFrame::SkinnedFrame(QWidget* window, bool hasMinimise)
    : window_(window), hasMinimise_(hasMinimise) {
    window_->setWindowFlag(Qt::FramelessWindowHint, true);
    window_->setContentsMargins(FrameGeometry::kLeftEdge + 4, FrameGeometry::kTitleHeight + 8,
                                FrameGeometry::kRightEdge + 4, FrameGeometry::kBottomEdge + 4);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, QColor(230, 230, 230));
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);
    window_->setMouseTracking(true);
}

void SkinnedFrame::setTopmost(bool on) {
    const bool visible = window_->isVisible();
    window_->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) window_->show();
}

void SkinnedFrame::paint(QPainter& p, const QString& caption) const {
    const FrameGeometry g{window_->width(), window_->height()};
    const int w = g.w;
    const int h = g.h;
    using G = FrameGeometry;
    p.drawPixmap(QRect(G::kCapWidth, 0, w - 2 * G::kCapWidth, G::kTitleHeight),
                 art("art/title.bmp"));
    p.drawPixmap(0, 0, art("art/title_left.bmp"));
    p.drawPixmap(w - G::kCapWidth, 0, art("art/title_right.bmp"));
    p.drawPixmap(QRect(0, G::kTitleHeight, G::kLeftEdge, h - 33), art("art/edge_left.bmp"));
    p.drawPixmap(QRect(w - G::kRightEdge, G::kTitleHeight, G::kRightEdge, h - 33),
                 art("art/edge_right.bmp"));
    p.drawPixmap(QRect(G::kCorner, h - G::kBottomEdge, w - 2 * G::kCorner, G::kBottomEdge),
                 art("art/edge_bottom.bmp"));
    p.drawPixmap(0, h - G::kCorner, art("art/corner_left.bmp"));
    p.drawPixmap(w - G::kCorner, h - G::kCorner, art("art/corner_right.bmp"));

    // The caption buttons are 18 pixels, centred in the top of their areas.
    const auto button = [&](const QRect& area, const char* normal, const char* hot, bool isHot) {
        p.drawPixmap(area.left() + (area.width() - 18) / 2, 1, art(isHot ? hot : normal));
    };
    button(g.closeArea(), "art/close.png", "art/close_hot.png", hot_ == G::Area::Close);
    if (hasMinimise_) {
        button(g.minimiseArea(), "art/minimize.png", "art/minimize_hot.png",
               hot_ == G::Area::Minimise);
    }
    QFont font = window_->font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(51, 51, 51));
    p.drawText(g.caption().translated(1, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
}

void SkinnedFrame::updateMask() {
    QPainterPath path;
    path.addRoundedRect(QRectF(window_->rect()), 7.5, 7.5);
    window_->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

bool SkinnedFrame::mousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    const FrameGeometry g{window_->width(), window_->height()};
    pressed_ = g.hit(event->position().toPoint(), hasMinimise_);
    if (pressed_ != FrameGeometry::Area::Client) return true;
    if (!draggable_) return false;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - window_->frameGeometry().topLeft();
    return true;
}

bool SkinnedFrame::mouseMove(QMouseEvent* event) {
    if (dragging_) {
        window_->move(event->globalPosition().toPoint() - dragOffset_);
        return true;
    }
    const FrameGeometry g{window_->width(), window_->height()};
    const auto hot = g.hit(event->position().toPoint(), hasMinimise_);
    if (hot != hot_) {
        hot_ = hot;
        window_->update(QRect(0, 0, window_->width(), 30));
    }
    return false;
}

bool SkinnedFrame::mouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    if (dragging_) {
        dragging_ = false;
        return true;
    }
    const FrameGeometry g{window_->width(), window_->height()};
    const auto released = g.hit(event->position().toPoint(), hasMinimise_);
    const auto pressed = pressed_;
    pressed_ = FrameGeometry::Area::Client;
    if (released != pressed) return false;
    if (released == FrameGeometry::Area::Close) {
        window_->close();
        return true;
    }
    if (released == FrameGeometry::Area::Minimise) {
        if (minimise_) {
            minimise_();
        } else {
            window_->showMinimized();
        }
        return true;
    }
    return false;
}

void SkinnedFrame::leave() {
    if (hot_ != FrameGeometry::Area::Client) {
        hot_ = FrameGeometry::Area::Client;
        window_->update(QRect(0, 0, window_->width(), 30));
    }
}

}  // namespace zemra::client::ui
