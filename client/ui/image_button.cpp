#include "client/ui/image_button.h"

#include <QBitmap>
#include <QPainter>
#include <QStyleOptionButton>

namespace zemra::client::ui {

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void CImageButton::setImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                             const QPixmap& disabled) {
    normal_ = normal;
    pressed_ = pressed;
    hoverImage_ = hover;
    disabled_ = disabled;
    updateGeometry();
    update();
}

void CImageButton::setMaskImage(const QPixmap& mask) {
    if (mask.isNull()) return;
    const QImage image = mask.toImage().convertToFormat(QImage::Format_RGB32);
    QBitmap shape =
        QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor));
    if (drawMode_ == 0) resize(mask.size());
    setMask(shape);
}

void CImageButton::setDrawMode(int mode) {
    drawMode_ = mode < 0 ? 0 : (mode > 1 ? 2 : mode);
}

const QPixmap& CImageButton::currentImage() const {
    if (!isEnabled()) return disabled_.isNull() ? normal_ : disabled_;
    if (isDown() || (isCheckable() && isChecked())) return pressed_.isNull() ? normal_ : pressed_;
    if (hover_ && !hoverImage_.isNull()) return hoverImage_;
    return normal_;
}

QSize CImageButton::sizeHint() const {
    if (!normal_.isNull()) return normal_.size() / normal_.devicePixelRatio();
    return QSize(94, 24);
}

void CImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap& image = currentImage();
    if (image.isNull()) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = text();
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButton, &option, &p, this);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Mode 0 draws the picture at its size, centred; the others stretch it.
    if (drawMode_ == 0) {
        p.drawPixmap((width() - image.width()) / 2, (height() - image.height()) / 2, image);
    } else {
        p.drawPixmap(rect(), image);
    }
    if (border_) {
        const bool sunken = isDown();
        p.setPen(sunken ? palette().color(QPalette::Dark) : palette().color(QPalette::Light));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(sunken ? palette().color(QPalette::Light) : palette().color(QPalette::Dark));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
    if (hasFocus() && margin_ > 0 && isEnabled()) {
        p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(margin_, margin_, -margin_ - 1, -margin_ - 1));
    }
    if (!text().isEmpty()) {
        const QRect r = rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
        if (!isEnabled()) {
            // Embossed: highlight one pixel down and right, then grey text.
            p.setPen(palette().color(QPalette::Light));
            p.drawText(r.translated(1, 1), Qt::AlignCenter, text());
            p.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
        } else {
            p.setPen(palette().color(QPalette::ButtonText));
        }
        p.drawText(r, Qt::AlignCenter, text());
    }
}

void CImageButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace zemra::client::ui
