// Glyphs and backgrounds of the main window's picture buttons, the dial-pad
// keys, the program logo and the four status icons of the tray.
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "asset_art.h"

namespace zemra::assets {
namespace {

struct Glyph {
    const char* name;
    const char* emoji;
};

const Glyph kGlyphs[] = {
    {"sysmsg", "📢"},       {"search", "🔍"},   {"file", "📁"},       {"options", "⚙️"},
    {"mydetails", "👤"},    {"news", "📰"},     {"support", "🧰"}, {"chat", "💬"},
    {"msgmgr", "🗂️"}, {"devtest", "🎧"},  {"calllog", "📋"},    {"remote", "📺"},
    {"music", "🎵"},        {"snapshot", "📷"}, {"dialpad", "🔢"},    {"redial", "🔁"},
    {"conference", "👥"},   {"send", "📨"},     {"mic", "🎤"},        {"speaker", "🔊"},
    {"call", "📞"},         {"skin", "🎨"},
};

QImage glyph(const char* emoji, int size) {
    return renderEmoji(QString::fromUtf8(emoji), size, size - 4);
}

// Round-cornered backgrounds of a tool button: normal is a faint glass,
// hover brighter, pressed sunk.
QImage toolBackground(int size, int state) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    if (state == 0) return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size);
    if (state == 1) {
        g.setColorAt(0, QColor(255, 255, 255, 235));
        g.setColorAt(1, QColor(200, 225, 250, 235));
        p.setPen(QColor(120, 170, 225));
    } else {
        g.setColorAt(0, QColor(150, 195, 240));
        g.setColorAt(1, QColor(200, 225, 250));
        p.setPen(QColor(80, 130, 190));
    }
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 6, 6);
    return img;
}

QImage roundButton(int size, QColor colour, int state, const QImage& symbol, qreal angle) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (state == 1) colour = colour.lighter(115);
    if (state == 2) colour = colour.darker(115);
    QRadialGradient g(size * 0.5, size * 0.3, size * 0.7);
    g.setColorAt(0, colour.lighter(140));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.setPen(QPen(colour.darker(130), 1));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.translate(size / 2.0, size / 2.0 + (state == 2 ? 1 : 0));
    p.rotate(angle);
    p.drawImage(QRectF(-size * 0.32, -size * 0.32, size * 0.64, size * 0.64), symbol);
    return img;
}

QImage keyBackground(int state) {
    QImage img(44, 28, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 28);
    const int lift = state == 1 ? 12 : 0;
    if (state == 2) {
        g.setColorAt(0, QColor(170, 200, 235));
        g.setColorAt(1, QColor(215, 230, 248));
    } else {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(218 + lift / 2, 228 + lift / 2, 242));
    }
    p.setBrush(g);
    p.setPen(state == 1 ? QColor(90, 150, 220) : QColor(150, 172, 205));
    p.drawRoundedRect(QRectF(0.5, 0.5, 43, 27), 6, 6);
    return img;
}

QImage logo(int size, bool grey) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.4, size * 0.3, size * 0.8);
    g.setColorAt(0, grey ? QColor(200, 200, 200) : QColor(120, 200, 255));
    g.setColorAt(1, grey ? QColor(120, 120, 120) : QColor(20, 100, 200));
    p.setBrush(g);
    p.setPen(QPen(QColor(255, 255, 255), size / 16.0));
    p.drawEllipse(QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92));
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(int(size * 0.62));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(img.rect().adjusted(0, -size / 20, 0, 0), Qt::AlignCenter, "Z");
    return img;
}

// The logo with the own status: 0 online, 1 offline, 2 away, 3 invisible.
QImage statusIcon(int status) {
    const int size = 32;
    QImage img = logo(size, status == 1);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF dot(size - 14, size - 14, 13, 13);
    p.setPen(QPen(Qt::white, 2));
    switch (status) {
        case 0:
            p.setBrush(QColor(40, 190, 70));
            p.drawEllipse(dot);
            break;
        case 1:
            p.setBrush(QColor(150, 150, 150));
            p.drawEllipse(dot);
            p.drawLine(dot.center() + QPointF(-3, -3), dot.center() + QPointF(3, 3));
            break;
        case 2:
            p.setBrush(QColor(250, 180, 30));
            p.drawEllipse(dot);
            p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(dot.center(), dot.center() + QPointF(0, -3.5));
            p.drawLine(dot.center(), dot.center() + QPointF(2.5, 0));
            break;
        default:
            p.setBrush(QColor(255, 255, 255, 230));
            p.setPen(QPen(QColor(90, 90, 90), 2.2));
            p.drawEllipse(dot.adjusted(1, 1, -1, -1));
            break;
    }
    return img;
}

}  // namespace

bool makeIcons(const QDir& out) {
    out.mkpath("art/icons");
    const QString dir = out.filePath("art/icons/");
    for (const Glyph& g : kGlyphs) {
        if (!savePng(glyph(g.emoji, 24), dir + g.name + ".png")) return false;
    }
    for (int s = 0; s < 3; ++s) {
        const QString suffix = s == 0 ? "" : (s == 1 ? "_hot" : "_down");
        const QImage phone = glyph("📞", 24);
        if (!savePng(toolBackground(30, s), dir + "tool" + suffix + ".png") ||
            !savePng(keyBackground(s), dir + "key" + suffix + ".png") ||
            !savePng(roundButton(36, QColor(40, 170, 70), s, phone, 0),
                     dir + "dial" + suffix + ".png") ||
            !savePng(roundButton(36, QColor(210, 50, 45), s, phone, 135),
                     dir + "hangup" + suffix + ".png")) {
            return false;
        }
    }
    for (int status = 0; status < 4; ++status) {
        if (!savePng(statusIcon(status), out.filePath(QString("art/status%1.png").arg(status)))) {
            return false;
        }
    }
    return savePng(logo(64, false), out.filePath("art/zemra.png")) &&
           savePng(logo(26, false), out.filePath("art/logo.png"));
}

bool makeAppIcons(const QDir& iconRoot) {
    // Each size is drawn afresh so that the ring and the letter stay crisp;
    // the desktop picks the nearest size from the hicolor theme.
    for (int size : {48, 128, 256}) {
        const QString sub = QString("hicolor/%1x%1/apps").arg(size);
        if (!iconRoot.mkpath(sub) ||
            !savePng(logo(size, false), iconRoot.filePath(sub + "/zemra.png"))) {
            return false;
        }
    }
    return true;
}

}  // namespace zemra::assets
