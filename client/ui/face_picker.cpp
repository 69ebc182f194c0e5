#include "client/ui/face_picker.h"

#include <qdrawutil.h>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

#include "client/app/emoticon_codes.h"
#include "client/ui/image_lists.h"

namespace zemra::client::ui {

CFacePicker::CFacePicker(QWidget* parent) : QWidget(parent, Qt::Popup) {
    setFixedSize(kColumns * kCell, kRows * kCell);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

int CFacePicker::cellAt(const QPoint& p) {
    if (p.x() < 0 || p.y() < 0 || p.x() >= kColumns * kCell || p.y() >= kRows * kCell) return -1;
    return (p.y() / kCell) * kColumns + p.x() / kCell;
}

QRect CFacePicker::cellRect(int index) {
    if (index < 0 || index >= kEmoticonCount) return {};
    return {(index % kColumns) * kCell, (index / kColumns) * kCell, kCell, kCell};
}

void CFacePicker::popUpAt(const QPoint& globalPos) {
    QPoint pos = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        pos.setX(
            std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() - width() + 1)));
        pos.setY(
            std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() - height() + 1)));
    }
    move(pos);
    setHot(-1);
    pressed_ = -1;
    show();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
}

void CFacePicker::setHot(int cell) {
    if (cell == hot_) return;
    // Only the two cells that change are redrawn.
    if (hot_ >= 0) update(cellRect(hot_));
    hot_ = cell;
    if (hot_ >= 0) update(cellRect(hot_));
}

bool CFacePicker::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const int cell = cellAt(help->pos());
            if (cell < 0) {
                QToolTip::hideText();
                event->ignore();
            } else {
                QToolTip::showText(help->globalPos(), QString::fromLatin1(emoticonCode(cell)), this,
                                   cellRect(cell));
            }
            return true;
        }
        case QEvent::WindowDeactivate:
        case QEvent::FocusOut:
            // A picker left for another window is done with.
            if (isVisible()) close();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void CFacePicker::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().window());
    const ImageLists& lists = imageLists();
    for (int i = 0; i < kEmoticonCount; ++i) {
        const QRect cell = cellRect(i);
        if (!cell.intersects(event->rect())) continue;
        p.drawPixmap(cell.topLeft() + QPoint(kPictureOffset, kPictureOffset), lists.emoticon(i));
        if (i == hot_) qDrawShadeRect(&p, cell, palette(), false, 1);
    }
}

void CFacePicker::mouseMoveEvent(QMouseEvent* event) {
    setHot(cellAt(event->position().toPoint()));
}

void CFacePicker::mousePressEvent(QMouseEvent* event) {
    const int cell = cellAt(event->position().toPoint());
    if (cell < 0 || cell >= kEmoticonCount) {
        // Outside the grid a popup closes, as any popup does.
        pressed_ = -1;
        QWidget::mousePressEvent(event);
        return;
    }
    pressed_ = event->button() == Qt::LeftButton ? cell : -1;
}

void CFacePicker::mouseReleaseEvent(QMouseEvent* event) {
    const int cell = cellAt(event->position().toPoint());
    const bool hit = event->button() == Qt::LeftButton && cell >= 0 && cell == pressed_;
    pressed_ = -1;
    if (!hit) return;
    close();
    emit picked(cell);
}

void CFacePicker::leaveEvent(QEvent* event) {
    setHot(-1);
    QWidget::leaveEvent(event);
}

}  // namespace zemra::client::ui
