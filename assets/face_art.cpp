// Contact faces (85 faces in three presence looks) and the emoticon strip.
#include <QPainter>
#include <QStringList>

#include "asset_art.h"

namespace zemra::assets {
namespace {

constexpr int kFaceCount = 85;
constexpr int kFaceSize = 32;

// Faces and creatures that stay recognisable at 16 pixels.
const char* const kFaces[kFaceCount] = {
    "😀",    "😃", "😄", "😁", "😆", "😅",    "😂",    "🙂", "🙃", "😉",    "😊",    "😇", "🥰", "😍",
    "🤩", "😘", "😋", "😛", "😜", "🤪", "🤑", "🤗", "🤭", "🤔", "🤨", "😐", "😶",    "😏",
    "🙄", "😬", "😌", "😔", "😴", "😷",    "🤠", "🥳", "😎",    "🤓", "🧐", "😕", "😮",    "😳",
    "🥺", "😢", "😭", "😱", "😤", "😡",    "😈",    "🤡", "👻",    "👽",    "🤖", "💀", "🎃",    "😺",
    "😸",    "😻", "🐶", "🐱", "🐭", "🐹",    "🐰",    "🦊", "🐻",    "🐼",    "🐨",    "🐯", "🦁", "🐮",
    "🐷",    "🐸", "🐵", "🐔", "🐧", "🐦",    "🐤",    "🦉", "🐺",    "🐴",    "🦄", "🐝", "🐢",    "🐙",
    "🐳"};

// In the order of the emoticon code table, "/:O" first.
const char* const kEmoticons[50] = {
    "😮", "😕",    "😘", "😈", "😎",    "🙁",   "😳",    "🤐", "😴",      "😢", "😐", "😡", "😛",
    "😁", "🙂", "🍹", "👦", "🤗", "💬",      "🐧",    "👧",    "❤️", "🌟", "💋", "📞", "💰",
    "⏰", "🐱",    "🍺", "🌹", "💔",    "✌️", "🥀", "👍",    "🤝",   "🎁", "🐷", "🙅", "💡",
    "🎸", "⚡",    "🌊", "☕", "💤",    "⭐",      "🌞",    "👌",    "🚫",      "👀", "🎂"};

// The away look: the face with a small clock badge in its lower right corner.
QImage awayLook(const QImage& face) {
    QImage out = face.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(out.width() - 13.5, out.height() - 13.5, 13, 13);
    p.setPen(QPen(QColor(255, 255, 255), 1.5));
    p.setBrush(QColor(240, 150, 20));
    p.drawEllipse(badge);
    p.setPen(QPen(QColor(255, 255, 255), 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = badge.center();
    p.drawLine(c, c + QPointF(0, -4));
    p.drawLine(c, c + QPointF(3, 0));
    return out;
}

}  // namespace

bool makeFaces(const QDir& out) {
    for (int f = 0; f < kFaceCount; ++f) {
        const QImage face = renderEmoji(QString::fromUtf8(kFaces[f]), kFaceSize, 29);
        const QImage looks[3] = {face, greyed(face), awayLook(face)};
        for (int v = 0; v < 3; ++v) {
            const QString name = QString("face/%1-%2.bmp").arg(f + 1).arg(v + 1);
            if (!saveBitmap(flattenOnMask(looks[v]), out.filePath(name))) return false;
        }
    }
    return true;
}

bool makeEmoticons(const QDir& out) {
    QImage strip(50 * 20, 20, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < 50; ++i) {
        p.drawImage(i * 20, 0, renderEmoji(QString::fromUtf8(kEmoticons[i]), 20, 18));
    }
    p.end();
    return saveBitmap(flattenOnMask(strip), out.filePath("face/emoticons.bmp"));
}

}  // namespace zemra::assets
