#include "client/ui/skinned_dialog.h"

#include <QMouseEvent>
#include <QPainter>

namespace zemra::client::ui {

SkinnedDialog::SkinnedDialog(const QString& caption, const QString& skinTitle, QWidget* parent,
                             bool hasMinimise)
    : QDialog(parent), skinTitle_(skinTitle), frame_(this, hasMinimise) {
    setWindowTitle(caption);
}

void SkinnedDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    frame_.paint(painter, skinTitle_);
}

void SkinnedDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    frame_.updateMask();
}

void SkinnedDialog::mousePressEvent(QMouseEvent* event) {
    if (!frame_.mousePress(event)) QDialog::mousePressEvent(event);
}

void SkinnedDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!frame_.mouseMove(event)) QDialog::mouseMoveEvent(event);
}

void SkinnedDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (!frame_.mouseRelease(event)) QDialog::mouseReleaseEvent(event);
}

void SkinnedDialog::leaveEvent(QEvent* event) {
    frame_.leave();
    QDialog::leaveEvent(event);
}

}  // namespace zemra::client::ui
