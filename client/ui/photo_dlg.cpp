#include "client/ui/photo_dlg.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "client/store/snapshot_file.h"
#include "client/store/time_text.h"
#include "client/ui/snapshot_image.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

QPushButton* button(const char* text, const char* name) {
    auto* b = new QPushButton(u(text));
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

void save(const QImage& image, const std::filesystem::path& file) {
    if (image.isNull()) return;
    const store::SnapshotPicture picture = snapshotFromImage(image);
    store::writeSnapshotFile(file, picture.header, picture.pixels);
}

}  // namespace

// The own picture at (0, 0) in its own size, the other party's beside it
// at a fixed size.
class CPhotoDlg::PictureArea : public QWidget {
  public:
    PictureArea(const QImage& own, const QImage& partner) : own_(own), partner_(partner) {
        setObjectName("pictures");
        setFixedSize(std::max(kPartnerX + kPartnerWidth, own.width()),
                     std::max(kPartnerHeight, own.height()));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!own_.isNull()) painter.drawImage(QPoint(0, 0), own_);
        if (!partner_.isNull()) {
            painter.drawImage(QRect(kPartnerX, 0, kPartnerWidth, kPartnerHeight), partner_);
        }
    }

  private:
    const QImage& own_;
    const QImage& partner_;
};

CPhotoDlg::CPhotoDlg(std::filesystem::path photoRoot, uint32_t ownId, uint32_t partnerId,
                     QImage own, QImage partner, QWidget* parent)
    : SkinnedDialog(u("视频快照"), u("视频快照"), parent),
      photoRoot_(std::move(photoRoot)),
      ownId_(ownId),
      partnerId_(partnerId),
      own_(std::move(own)),
      partner_(std::move(partner)),
      openFolder_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);

    auto* saveOwnButton = button("保存本地", "saveOwn");
    auto* savePartnerButton = button("保存对方", "savePartner");
    auto* saveBothButton = button("保存双方", "saveBoth");
    auto* openFolderButton = button("打开保存目录", "openFolder");
    connect(saveOwnButton, &QPushButton::clicked, this, [this] { saveOwn(stampNow()); });
    connect(savePartnerButton, &QPushButton::clicked, this, [this] { savePartner(stampNow()); });
    connect(saveBothButton, &QPushButton::clicked, this, [this] {
        // One stamp for both, so the pair can be found together.
        const std::string stamp = stampNow();
        saveOwn(stamp);
        savePartner(stamp);
    });
    connect(openFolderButton, &QPushButton::clicked, this, [this] {
        const auto folder = photoRoot_ / std::to_string(ownId_);
        if (openFolder_) openFolder_(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
    });

    auto* buttons = new QHBoxLayout;
    for (auto* b : {saveOwnButton, savePartnerButton, saveBothButton, openFolderButton}) {
        buttons->addWidget(b);
    }
    auto* root = new QVBoxLayout(this);
    root->addWidget(new PictureArea(own_, partner_), 0, Qt::AlignLeft | Qt::AlignTop);
    root->addLayout(buttons);
    setFixedSize(sizeHint());
}

std::string CPhotoDlg::stampNow() {
    return store::snapshotStamp(store::localTime(std::time(nullptr)));
}

void CPhotoDlg::saveOwn(const std::string& stamp) const {
    save(own_, store::ownSnapshotPath(photoRoot_, ownId_, stamp));
}

void CPhotoDlg::savePartner(const std::string& stamp) const {
    save(partner_, store::peerSnapshotPath(photoRoot_, ownId_, partnerId_, stamp));
}

}  // namespace zemra::client::ui
