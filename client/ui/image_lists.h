// The picture lists every window shares: contact faces at 32 and 16 pixels
// (85 faces in three presence looks) and the 50 emoticons.
#pragma once

#include <QPixmap>
#include <QString>
#include <vector>

namespace zemra::client::ui {

class ImageLists {
  public:
    static constexpr int kFaces = 85;
    static constexpr int kEmoticons = 50;

    // Loads "face/<f>-<v>.bmp" (v outer, f inner) and the emoticon strip from
    // `dataDir`. A file that cannot be read adds nothing, so later pictures
    // move up one place, as they always have.
    void load(const QString& dataDir);

    // Picture `index` (presence * 85 + face); a null pixmap when absent.
    QPixmap face32(int index) const;
    QPixmap face16(int index) const;
    QPixmap emoticon(int index) const;
    int faceCount() const { return static_cast<int>(faces32_.size()); }

    // Turns the mask colour RGB(0,128,128) transparent.
    static QPixmap masked(const QImage& image);

  private:
    std::vector<QPixmap> faces32_;
    std::vector<QPixmap> faces16_;
    std::vector<QPixmap> emoticons_;
};

// The program's data folder and pictures drawn for its windows ("art/..."),
// loaded once and kept.
void setDataDir(const QString& dir);
const QString& dataDir();
QPixmap art(const QString& relativePath);
// The shared lists, loaded from the data folder on first use.
const ImageLists& imageLists();

}  // namespace zemra::client::ui
