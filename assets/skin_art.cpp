// Two example skins for the contact list: a folder of seven bitmaps each.
#include <QPainter>
#include <QPainterPath>

#include "asset_art.h"

namespace zemra::assets {
namespace {

struct Palette {
    const char* name;
    QColor back1, back2, folder1, folder2, light1, light2, text;
};

QImage back(const Palette& c) {
    // A soft tile that repeats without seams.
    QImage img(64, 64, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, c.back1);
    g.setColorAt(0.5, c.back2);
    g.setColorAt(1, c.back1);
    p.fillRect(img.rect(), g);
    p.setPen(QColor(255, 255, 255, 30));
    for (int i = -64; i < 64; i += 8) p.drawLine(i, 64, i + 64, 0);
    return img;
}

QImage folder(const QColor& top, const QColor& bottom) {
    // Wide enough for the three-slice drawing: 40 + middle + 40.
    QImage img(120, 22, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 22);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    p.setPen(top.lighter(130));
    p.drawLine(0, 0, 119, 0);
    p.setPen(bottom.darker(130));
    p.drawLine(0, 21, 119, 21);
    return img;
}

QImage arrow(const Palette& c, bool up, bool pressed) {
    QImage img(16, 16, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(img.rect(), pressed ? c.folder2 : c.folder1);
    p.setPen(c.folder2.darker(140));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    QPainterPath tri;
    if (up) {
        tri.moveTo(8, 5);
        tri.lineTo(12, 10);
        tri.lineTo(4, 10);
    } else {
        tri.moveTo(4, 6);
        tri.lineTo(12, 6);
        tri.lineTo(8, 11);
    }
    tri.closeSubpath();
    p.fillPath(tri, c.text);
    return img;
}

}  // namespace

bool makeSkins(const QDir& out) {
    const Palette palettes[] = {
        {"Ocean", QColor(214, 234, 248), QColor(190, 220, 244), QColor(120, 180, 235),
         QColor(60, 130, 210), QColor(150, 205, 250), QColor(90, 160, 235), QColor(20, 50, 100)},
        {"Meadow", QColor(226, 244, 214), QColor(204, 234, 190), QColor(130, 200, 110),
         QColor(70, 150, 60), QColor(165, 225, 140), QColor(100, 180, 85), QColor(25, 70, 20)},
    };
    for (const Palette& c : palettes) {
        const QString dir = QString("skins/%1/").arg(c.name);
        out.mkpath(dir);
        const QString base = out.filePath(dir);
        if (!saveBitmap(back(c), base + "back.bmp") ||
            !saveBitmap(folder(c.folder1, c.folder2), base + "folder.bmp") ||
            !saveBitmap(folder(c.light1, c.light2), base + "folder_light.bmp") ||
            !saveBitmap(arrow(c, true, false), base + "scrollup.bmp") ||
            !saveBitmap(arrow(c, false, false), base + "scrolldown.bmp") ||
            !saveBitmap(arrow(c, true, true), base + "scrollup_pressed.bmp") ||
            !saveBitmap(arrow(c, false, true), base + "scrolldown_pressed.bmp")) {
            return false;
        }
    }
    return true;
}

}  // namespace zemra::assets
