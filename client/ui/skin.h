// Skins of the contact list bar: a folder of seven bitmaps under "skins/".
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace zemra::client::ui {

class Skin {
  public:
    enum Part {
        Back,
        Folder,
        FolderLight,
        ScrollUp,
        ScrollDown,
        ScrollUpPressed,
        ScrollDownPressed,
        kPartCount
    };
    static const std::array<const char*, kPartCount> kPartNames;

    // Loads "<folder>/<part>.bmp" for every part; nullopt when any is missing
    // or unreadable. The skin's name is the folder's last component.
    static std::optional<Skin> load(const QString& folder);

    const QString& name() const { return name_; }
    const QImage& image(Part part) const { return images_[part]; }

  private:
    QString name_;
    std::array<QImage, kPartCount> images_;
};

// The skin menu: "恢复原貌" (1000) and one entry per folder under `skinsDir`
// from 1001 on, the one in use checked (1000 for the built-in look).
struct SkinMenuEntry {
    int id = 0;
    QString text;
    QString folder;  // empty for the built-in look
    bool checked = false;
};
std::vector<SkinMenuEntry> skinMenuEntries(const QString& skinsDir, const QString& current);

}  // namespace zemra::client::ui
