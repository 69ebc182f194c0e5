#include "client/ui/image_lists.h"

#include <QHash>
#include <QImage>

namespace zemra::client::ui {
namespace {

const QRgb kMask = qRgb(0, 128, 128);

QString& dataDirRef() {
    static QString dir;
    return dir;
}

}  // namespace

QPixmap ImageLists::masked(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (kMask & 0xFFFFFF)) line[x] = 0;
        }
    }
    return QPixmap::fromImage(argb);
}

void ImageLists::load(const QString& dataDir) {
    faces32_.clear();
    faces16_.clear();
    emoticons_.clear();
    for (int v = 1; v <= 3; ++v) {
        for (int f = 1; f <= kFaces; ++f) {
            const QImage image(QString("%1/face/%2-%3.bmp").arg(dataDir).arg(f).arg(v));
            if (image.isNull()) continue;
            faces32_.push_back(masked(image.scaled(32, 32)));
            // Scaled after masking, so that no mask colour bleeds into the edges.
            faces16_.push_back(
                faces32_.back().scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }
    const QImage strip(dataDir + "/face/emoticons.bmp");
    for (int i = 0; i < kEmoticons && !strip.isNull(); ++i) {
        emoticons_.push_back(masked(strip.copy(i * 20, 0, 20, 20)));
    }
}

QPixmap ImageLists::face32(int index) const {
    return index >= 0 && index < faceCount() ? faces32_[index] : QPixmap();
}

QPixmap ImageLists::face16(int index) const {
    return index >= 0 && index < faceCount() ? faces16_[index] : QPixmap();
}

QPixmap ImageLists::emoticon(int index) const {
    return index >= 0 && index < static_cast<int>(emoticons_.size()) ? emoticons_[index]
                                                                     : QPixmap();
}

void setDataDir(const QString& dir) {
    dataDirRef() = dir;
}

const QString& dataDir() {
    return dataDirRef();
}

QPixmap art(const QString& relativePath) {
    static QHash<QString, QPixmap> cache;
    const QString key = dataDirRef() + "/" + relativePath;
    auto it = cache.find(key);
    if (it == cache.end()) {
        QImage image(key);
        QPixmap pixmap =
            relativePath.endsWith(".bmp") ? ImageLists::masked(image) : QPixmap::fromImage(image);
        it = cache.insert(key, pixmap);
    }
    return *it;
}

const ImageLists& imageLists() {
    static ImageLists lists;
    static QString loadedFrom;
    static bool loaded = false;
    if (!loaded || loadedFrom != dataDirRef()) {
        lists.load(dataDirRef());
        loadedFrom = dataDirRef();
        loaded = true;
    }
    return lists;
}

}  // namespace zemra::client::ui
