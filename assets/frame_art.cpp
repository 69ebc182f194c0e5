// The skinned window frame and the standard push-button pictures.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "asset_art.h"

namespace zemra::assets {
namespace {

const QColor kTitleTop(240, 247, 255);
const QColor kTitleBottom(186, 212, 243);
const QColor kEdge(168, 198, 232);
const QColor kEdgeDark(122, 160, 208);

QLinearGradient titleGradient(int height) {
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0.0, kTitleTop);
    g.setColorAt(0.48, QColor(218, 233, 251));
    g.setColorAt(0.52, QColor(203, 223, 248));
    g.setColorAt(1.0, kTitleBottom);
    return g;
}

QImage titlePiece(int width) {
    QImage img(width, 21, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(img.rect(), titleGradient(21));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 0, width, 0);
    return img;
}

// A cap of the title bar; the outer corner is rounded onto the mask colour.
QImage titleCap(bool left) {
    QImage img(17, 21, QImage::Format_RGB32);
    img.fill(kMaskColour);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(left ? 0 : -20, 0, 37, 30), 7, 7);
    p.fillPath(path, titleGradient(21));
    p.setPen(kEdgeDark);
    p.drawPath(path);
    return img;
}

QImage edge(int w, int h, bool vertical) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, vertical ? w : 0, vertical ? 0 : h);
    g.setColorAt(0, kEdge);
    g.setColorAt(1, kEdgeDark);
    p.fillRect(img.rect(), g);
    return img;
}

QImage corner(bool left) {
    QImage img(12, 12, QImage::Format_RGB32);
    img.fill(kMaskColour);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(left ? 0 : -12, -12, 24, 24), 7, 7);
    p.fillPath(path, kEdgeDark);
    return img;
}

QImage captionButton(bool close, bool hot) {
    QImage img(18, 18, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor base = close ? (hot ? QColor(240, 90, 80) : QColor(214, 64, 56))
                              : (hot ? QColor(120, 180, 245) : QColor(70, 135, 215));
    QLinearGradient g(0, 0, 0, 18);
    g.setColorAt(0, base.lighter(135));
    g.setColorAt(1, base);
    p.setBrush(g);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 17, 17), 4, 4);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        p.drawLine(QPointF(5.5, 5.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 5.5), QPointF(5.5, 12.5));
    } else {
        p.drawLine(QPointF(5, 12), QPointF(13, 12));
    }
    return img;
}

QImage pushButton(int height, bool pressed) {
    QImage img(94, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height);
    if (pressed) {
        g.setColorAt(0, QColor(190, 220, 250));
        g.setColorAt(1, QColor(140, 190, 240));
    } else {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.5, QColor(236, 242, 250));
        g.setColorAt(1, QColor(206, 220, 238));
    }
    p.setBrush(g);
    p.setPen(QColor(110, 150, 200));
    p.drawRoundedRect(QRectF(0.5, 0.5, 93, height - 1), 5, 5);
    return img;
}

}  // namespace

bool makeFrame(const QDir& out) {
    const QString dir = out.filePath("art/");
    return saveBitmap(titlePiece(479), dir + "title.bmp") &&
           saveBitmap(titleCap(true), dir + "title_left.bmp") &&
           saveBitmap(titleCap(false), dir + "title_right.bmp") &&
           saveBitmap(corner(true), dir + "corner_left.bmp") &&
           saveBitmap(corner(false), dir + "corner_right.bmp") &&
           saveBitmap(edge(5, 32, true), dir + "edge_left.bmp") &&
           saveBitmap(edge(6, 32, true), dir + "edge_right.bmp") &&
           saveBitmap(edge(32, 5, false), dir + "edge_bottom.bmp") &&
           savePng(captionButton(true, false), dir + "close.png") &&
           savePng(captionButton(true, true), dir + "close_hot.png") &&
           savePng(captionButton(false, false), dir + "minimize.png") &&
           savePng(captionButton(false, true), dir + "minimize_hot.png") &&
           savePng(pushButton(24, false), dir + "button.png") &&
           savePng(pushButton(22, true), dir + "button_pressed.png");
}

}  // namespace zemra::assets
