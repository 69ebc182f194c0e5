// Draws the program's pictures and synthesises its tones into the data folder
// given on the command line. Runs at build time on the offscreen platform.
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "asset_art.h"

namespace zemra::assets {

QImage renderEmoji(const QString& emoji, int size, int pixelSize) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The colour font has one bitmap size; drawing it large and scaling
    // down gives cleaner small faces than asking for a small pixel size.
    QImage big(pixelSize * 4, pixelSize * 4, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        QFont font("Noto Color Emoji");
        font.setPixelSize(pixelSize * 3);
        p.setFont(font);
        p.drawText(big.rect(), Qt::AlignCenter, emoji);
    }
    // Trim to the glyph's own box so that every face fills its square alike.
    int left = big.width(), top = big.height(), right = -1, bottom = -1;
    for (int y = 0; y < big.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(big.constScanLine(y));
        for (int x = 0; x < big.width(); ++x) {
            if (qAlpha(line[x]) > 8) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right >= left) {
        const QImage glyph =
            big.copy(left, top, right - left + 1, bottom - top + 1)
                .scaled(pixelSize, pixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage((size - glyph.width()) / 2, (size - glyph.height()) / 2, glyph);
    }
    return image;
}

QImage flattenOnMask(const QImage& picture) {
    QImage in = picture.convertToFormat(QImage::Format_ARGB32);
    QImage out(in.size(), QImage::Format_RGB32);
    for (int y = 0; y < in.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(in.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x) {
            QRgb c = src[x];
            if (qAlpha(c) < 110) {
                dst[x] = kMaskColour.rgb();
            } else {
                // Never produce the mask colour by accident.
                if (qRgb(qRed(c), qGreen(c), qBlue(c)) == kMaskColour.rgb()) c = qRgb(0, 129, 128);
                dst[x] = qRgb(qRed(c), qGreen(c), qBlue(c));
            }
        }
    }
    return out;
}

QImage greyed(const QImage& picture) {
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int g = qGray(line[x]);
            const int light = 90 + g * 150 / 255;
            line[x] = qRgba(light, light, light, qAlpha(line[x]));
        }
    }
    return out;
}

bool saveBitmap(const QImage& image, const QString& path) {
    return image.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

bool savePng(const QImage& image, const QString& path) {
    return image.save(path, "PNG");
}

}  // namespace zemra::assets

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: zemra_asset_maker DATA_DIR [ICON_ROOT]\n");
        return 2;
    }
    using namespace zemra::assets;
    QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"face", "data", "sound", "skins", "art"}) out.mkpath(sub);
    bool ok = makeFaces(out) && makeEmoticons(out) && makeFrame(out) && makeIcons(out) &&
              makeSkins(out) && makeTones(out) && makeDataLists(out);
    if (ok && argc == 3) ok = makeAppIcons(QDir(QString::fromLocal8Bit(argv[2])));
    if (!ok) {
        std::fprintf(stderr, "zemra_asset_maker: could not write everything into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
