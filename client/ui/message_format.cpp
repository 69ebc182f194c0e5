#include "client/ui/message_format.h"

#include <QColor>
#include <QFont>
#include <algorithm>
#include <cmath>

#include "client/ui/ui_text.h"
#include "platform/text.h"

namespace zemra::client::ui {

QTextCharFormat charFormatOf(const store::ChatMessage& m) {
    QTextCharFormat f;
    if (m.faceName.empty() || m.size == 0) return f;
    f.setFontFamilies({fromGbk(m.faceName).left(kFaceNameChars)});
    f.setFontPointSize(m.size);
    f.setForeground(QColor(m.colour & 0xFF, (m.colour >> 8) & 0xFF, (m.colour >> 16) & 0xFF));
    f.setFontWeight((m.effects & kEffectBold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic((m.effects & kEffectItalic) != 0);
    f.setFontUnderline((m.effects & kEffectUnderline) != 0);
    return f;
}

void setFormatOf(store::ChatMessage& m, const QTextCharFormat& f) {
    const QFont font = f.font();  // unset properties read as the default font's
    QString family = f.fontFamilies().toStringList().value(0);
    if (family.isEmpty()) family = font.families().value(0, font.family());
    const std::string face = text::toGbk(family.toStdString());
    m.faceName = std::string(text::gbkPrefix(face, kFaceNameBytes));

    double points = f.fontPointSize();
    if (points <= 0) points = font.pointSizeF();
    if (points <= 0) points = QFont().pointSizeF();
    m.size = static_cast<uint8_t>(std::clamp(std::lround(points), 1L, 255L));

    const QColor c = f.foreground().color();
    m.colour = uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;

    uint8_t effects = 0;
    // The same threshold QFont::bold() uses, so a demi-bold face counts.
    if (f.fontWeight() > QFont::Medium) effects |= kEffectBold;
    if (f.fontItalic()) effects |= kEffectItalic;
    if (f.fontUnderline()) effects |= kEffectUnderline;
    m.effects = effects;
}

}  // namespace zemra::client::ui
