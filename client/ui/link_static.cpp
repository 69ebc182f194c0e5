#include "client/ui/link_static.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QUrl>

namespace zemra::client::ui {

CLinkStatic::CLinkStatic(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(text);
    restyle();
}

void CLinkStatic::setUnderline(Underline mode) {
    underline_ = mode;
    restyle();
}

QColor CLinkStatic::currentColour() const {
    if (hover_) return kHover;
    return visited_ ? kVisited : kUnvisited;
}

void CLinkStatic::restyle() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, currentColour());
    setPalette(p);
    QFont f = font();
    f.setUnderline(underline_ == Underline::Always || (underline_ == Underline::Hover && hover_));
    setFont(f);
}

bool CLinkStatic::follow() {
    const QString target = effectiveTarget();
    QUrl url = QUrl::fromUserInput(target);
    if (url.isValid() && QDesktopServices::openUrl(url)) {
        visited_ = true;
        restyle();
        return true;
    }
    QApplication::beep();
    QMessageBox::warning(this, windowTitle(),
                         QString::fromUtf8("Unable to open hyperlink:\n\n") +
                             "There is no application associated\nwith the given filename "
                             "extension.");
    return false;
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) follow();
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    hover_ = true;
    restyle();
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    hover_ = false;
    restyle();
    QLabel::leaveEvent(event);
}

}  // namespace zemra::client::ui
