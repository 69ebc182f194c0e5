#include "client/ui/face_popup.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace zemra::client::ui {

FacePopup::FacePopup(const QPixmap& face, const QString& text)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      face_(face),
      text_(text) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(200, 64);
}

void FacePopup::popUp(int stackIndex) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    move(area.right() - width() - 8, area.bottom() - (height() + 6) * (stackIndex + 1));
    show();
    QTimer::singleShot(kShowMs, this, &QWidget::close);
}

void FacePopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(214, 230, 250));
    p.setBrush(g);
    p.setPen(QColor(110, 150, 205));
    p.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 6, 6);
    p.drawPixmap(12, (height() - 32) / 2, face_);
    p.setPen(QColor(30, 50, 90));
    p.drawText(rect().adjusted(54, 0, -8, 0), Qt::AlignVCenter | Qt::TextWordWrap, text_);
}

void FacePopup::mousePressEvent(QMouseEvent*) {
    close();
}

}  // namespace zemra::client::ui
