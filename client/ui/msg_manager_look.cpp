#include "client/ui/msg_manager_look.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

constexpr int kTwipsPerPoint = 20;
// Heights beyond this many points are not a font anyone chose.
constexpr int kLargestPoints = 512;

// The stored pair, unless it would draw text in its own background colour.
void applyPair(uint32_t text, uint32_t back, QColor& textOut, QColor& backOut) {
    if (text == back) return;
    textOut = colourOfRef(text);
    backOut = colourOfRef(back);
}

}  // namespace

QColor colourOfRef(uint32_t colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

uint32_t refOfColour(const QColor& colour) {
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}

MsgManagerLook builtInLook() {
    const QPalette palette = QGuiApplication::palette();
    MsgManagerLook look;
    look.treeText = look.listText = palette.color(QPalette::Text);
    look.treeBack = look.listBack = palette.color(QPalette::Base);
    look.viewFont = QGuiApplication::font();
    look.viewColour = palette.color(QPalette::Text);
    return look;
}

MsgManagerLook lookOf(const store::ViewSettings& settings, const MsgManagerLook& builtIn) {
    MsgManagerLook look = builtIn;
    applyPair(settings.treeText, settings.treeBack, look.treeText, look.treeBack);
    applyPair(settings.listText, settings.listBack, look.listText, look.listBack);
    const QString face = fromGbk(settings.viewFace);
    if (!face.isEmpty()) look.viewFont.setFamilies({face});
    const uint32_t points = settings.viewHeight / kTwipsPerPoint;
    if (points > 0 && points <= kLargestPoints) {
        look.viewFont.setPointSizeF(static_cast<double>(settings.viewHeight) / kTwipsPerPoint);
    }
    look.viewColour = colourOfRef(settings.viewColor);
    return look;
}

store::ViewSettings settingsOf(const MsgManagerLook& look) {
    store::ViewSettings settings;
    settings.treeText = refOfColour(look.treeText);
    settings.treeBack = refOfColour(look.treeBack);
    settings.listText = refOfColour(look.listText);
    settings.listBack = refOfColour(look.listBack);
    const QString face = look.viewFont.families().value(0, look.viewFont.family());
    settings.viewFace = text::toGbk(face.toStdString());
    const double points = std::max(look.viewFont.pointSizeF(), 0.0);
    settings.viewHeight = static_cast<uint32_t>(std::lround(points * kTwipsPerPoint));
    settings.viewColor = refOfColour(look.viewColour);
    return settings;
}

MsgManagerLook loadMsgManagerLook(const std::filesystem::path& userDir) {
    const MsgManagerLook builtIn = builtInLook();
    store::ViewSettings settings;
    if (!store::LoadViewSettings(userDir / store::kViewSettingsFileName, settings)) return builtIn;
    return lookOf(settings, builtIn);
}

bool saveMsgManagerLook(const std::filesystem::path& userDir, const MsgManagerLook& look) {
    return store::SaveViewSettings(userDir / store::kViewSettingsFileName, settingsOf(look));
}

}  // namespace zemra::client::ui
