#include "client/ui/skin.h"

#include <QDir>

namespace zemra::client::ui {

const std::array<const char*, Skin::kPartCount> Skin::kPartNames = {
    "back",       "folder",           "folder_light",      "scrollup",
    "scrolldown", "scrollup_pressed", "scrolldown_pressed"};

std::optional<Skin> Skin::load(const QString& folder) {
    Skin skin;
    QString path = folder;
    while (path.endsWith('/')) path.chop(1);
    skin.name_ = path.section('/', -1);
    for (int part = 0; part < kPartCount; ++part) {
        QImage image(path + "/" + kPartNames[part] + ".bmp", "BMP");
        if (image.isNull()) return std::nullopt;
        skin.images_[part] = std::move(image);
    }
    return skin;
}

std::vector<SkinMenuEntry> skinMenuEntries(const QString& skinsDir, const QString& current) {
    std::vector<SkinMenuEntry> entries;
    entries.push_back({1000, QString::fromUtf8("恢复原貌"), QString(), current.isEmpty()});
    const QStringList folders =
        QDir(skinsDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    int id = 1001;
    for (const QString& folder : folders) {
        entries.push_back({id++, folder, QDir(skinsDir).filePath(folder), folder == current});
    }
    return entries;
}

}  // namespace zemra::client::ui
