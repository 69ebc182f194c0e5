#include "client/ui/ticker.h"

#include <QPainter>

namespace zemra::client::ui {

Ticker::Ticker(QWidget* parent) : QWidget(parent) {
    setFixedHeight(18);
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, [this] {
        offset_ += 1;
        const int span = fontMetrics().horizontalAdvance(text_) + width();
        if (span > 0 && offset_ > span) offset_ = 0;
        update();
    });
}

void Ticker::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start();
}

void Ticker::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

void Ticker::setText(const QString& text) {
    text_ = text;
    offset_ = 0;
    update();
}

void Ticker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(250, 252, 255));
    g.setColorAt(1, QColor(222, 232, 245));
    p.fillRect(rect(), g);
    p.setPen(QColor(180, 195, 215));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setClipRect(rect().adjusted(1, 1, -1, -1));
    p.setPen(QColor(40, 80, 140));
    p.drawText(QRect(width() - offset_, 0, 4000, height()), Qt::AlignLeft | Qt::AlignVCenter,
               text_);
}

}  // namespace zemra::client::ui
