// Drawing helpers shared by the asset maker's parts, and the parts themselves.
#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

namespace zemra::assets {

// Pixels of this colour are transparent wherever the client shows a bitmap.
inline const QColor kMaskColour(0, 128, 128);

// One glyph of the colour emoji font, centred in a transparent square.
QImage renderEmoji(const QString& emoji, int size, int pixelSize);
// A transparent picture flattened onto the mask colour: half-covered pixels
// keep their own colour at full strength so that no fringe shows.
QImage flattenOnMask(const QImage& picture);
QImage greyed(const QImage& picture);
// Saves as a 24-bit bitmap file; false on failure.
bool saveBitmap(const QImage& image, const QString& path);
bool savePng(const QImage& image, const QString& path);

bool makeFaces(const QDir& out);
bool makeEmoticons(const QDir& out);
bool makeFrame(const QDir& out);
bool makeIcons(const QDir& out);
// The program icon at the desktop's sizes, under ICON_ROOT/hicolor/<N>x<N>/apps.
bool makeAppIcons(const QDir& iconRoot);
bool makeSkins(const QDir& out);
bool makeTones(const QDir& out);
bool makeDataLists(const QDir& out);

}  // namespace zemra::assets
