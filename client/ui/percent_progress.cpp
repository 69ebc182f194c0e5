#include "client/ui/percent_progress.h"

#include <QPainter>
#include <algorithm>

namespace zemra::client::ui {

CPercentProgress::CPercentProgress(QWidget* parent) : QWidget(parent) {
    filled_ = palette().color(QPalette::Highlight);
    empty_ = palette().color(QPalette::Base);
}

void CPercentProgress::setRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    update();
}

void CPercentProgress::setPosition(int position) {
    position_ = position;
    update();
}

void CPercentProgress::setFixedText(const QString& text) {
    fixed_ = text;
    update();
}

QString CPercentProgress::text() const {
    if (upper_ <= lower_) return QString();
    if (!fixed_.isEmpty()) return fixed_;
    const long long percent =
        (static_cast<long long>(position_) - lower_) * 100 / (upper_ - lower_);
    return QString("%1%").arg(percent);
}

int CPercentProgress::filledWidth(int width) const {
    if (upper_ <= lower_) return 0;
    const long long done = std::clamp<long long>(position_ - lower_, 0, upper_ - lower_);
    return static_cast<int>(done * width / (upper_ - lower_));
}

void CPercentProgress::paintEvent(QPaintEvent*) {
    if (upper_ <= lower_) return;
    QPainter p(this);
    const int split = filledWidth(width());
    const QRect filled(0, 0, split, height());
    const QRect empty(split, 0, width() - split, height());
    p.fillRect(filled, filled_);
    p.fillRect(empty, empty_);
    const QString label = text();
    // Each half writes the text in the other half's colour.
    p.setClipRect(filled);
    p.setPen(empty_);
    p.drawText(rect(), Qt::AlignCenter, label);
    p.setClipRect(empty);
    p.setPen(filled_);
    p.drawText(rect(), Qt::AlignCenter, label);
}

}  // namespace zemra::client::ui
