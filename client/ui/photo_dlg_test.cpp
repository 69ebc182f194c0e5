#include "client/ui/photo_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include "client/store/snapshot_file.h"
#include "client/testing/window_test_support.h"
#include "client/ui/image_lists.h"
#include "client/ui/snapshot_image.h"
#include "platform/paths.h"
#include "platform/testing/temp_dir.h"

namespace zemra::client::ui {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kOwn = 7001;
constexpr uint32_t kPartner = 8002;

// Four coloured quarters, so position and scaling show in a screenshot and
// in pixel checks.
QImage quarters(int width, int height, QColor a, QColor b, QColor c, QColor d) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const int w = width / 2;
    const int h = height / 2;
    p.fillRect(0, 0, w, h, a);
    p.fillRect(w, 0, width - w, h, b);
    p.fillRect(0, h, w, height - h, c);
    p.fillRect(w, h, width - w, height - h, d);
    return image;
}

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) files.push_back(entry.path());
    return files;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff)) return false;
        }
    }
    return true;
}

class PhotoDlgTest : public ::testing::Test {
  protected:
    PhotoDlgTest() { setDataDir(ZEMRA_TEST_DATA_DIR); }

    CPhotoDlg* open() {
        auto* dlg = new CPhotoDlg(root_.path(), kOwn, kPartner, own_, partner_);
        dlg->setFolderOpener([this](const QUrl& url) { opened_.push_back(url); });
        dlg->show();
        return dlg;
    }
    static void click(CPhotoDlg* dlg, const char* name) {
        auto* b = dlg->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    fs::path mine() const { return root_ / std::to_string(kOwn) / "mine"; }
    fs::path his() const { return root_ / std::to_string(kOwn) / "his"; }

    zemra::testing::TempDir root_;
    // An odd width, so the stored rows carry padding.
    const QImage own_ = quarters(175, 144, Qt::red, Qt::green, Qt::blue, Qt::yellow);
    const QImage partner_ = quarters(321, 241, Qt::cyan, Qt::magenta, Qt::darkGreen, Qt::white);
    std::vector<QUrl> opened_;
};

TEST_F(PhotoDlgTest, SavingBothWritesTheTwoPicturesWithOneStamp) {
    paths::createPhotoDirsIn(root_.path(), kOwn);
    QPointer<CPhotoDlg> dlg = open();
    click(dlg, "saveBoth");

    const auto ownFiles = filesIn(mine());
    const auto partnerFiles = filesIn(his());
    ASSERT_EQ(ownFiles.size(), 1u);
    ASSERT_EQ(partnerFiles.size(), 1u);
    const QRegularExpression name(R"(^(\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d)_(\d+)\.bmp$)");
    const auto ownName = name.match(QString::fromStdString(ownFiles[0].filename().string()));
    const auto partnerName =
        name.match(QString::fromStdString(partnerFiles[0].filename().string()));
    ASSERT_TRUE(ownName.hasMatch()) << ownFiles[0];
    ASSERT_TRUE(partnerName.hasMatch()) << partnerFiles[0];
    EXPECT_EQ(ownName.captured(1), partnerName.captured(1)) << "one stamp for both";
    EXPECT_EQ(ownName.captured(2), QString::number(kOwn));
    EXPECT_EQ(partnerName.captured(2), QString::number(kPartner));

    const auto ownRead = store::readSnapshotFile(ownFiles[0]);
    const auto partnerRead = store::readSnapshotFile(partnerFiles[0]);
    ASSERT_TRUE(ownRead && partnerRead);
    EXPECT_TRUE(samePixels(imageFromSnapshot(*ownRead), own_));
    EXPECT_TRUE(samePixels(imageFromSnapshot(*partnerRead), partner_))
        << "the partner's picture is stored at its own size";
    dlg->close();
}

TEST_F(PhotoDlgTest, EachSingleSaveWritesOnlyItsPicture) {
    paths::createPhotoDirsIn(root_.path(), kOwn);
    QPointer<CPhotoDlg> dlg = open();
    click(dlg, "saveOwn");
    EXPECT_EQ(filesIn(mine()).size(), 1u);
    EXPECT_TRUE(filesIn(his()).empty());
    fs::remove_all(mine());
    fs::create_directories(mine());
    click(dlg, "savePartner");
    EXPECT_TRUE(filesIn(mine()).empty());
    ASSERT_EQ(filesIn(his()).size(), 1u);
    const auto read = store::readSnapshotFile(filesIn(his())[0]);
    ASSERT_TRUE(read);
    EXPECT_TRUE(samePixels(imageFromSnapshot(*read), partner_));
    dlg->close();
}

TEST_F(PhotoDlgTest, AFileThatCannotBeCreatedIsSkippedWithoutAMessage) {
    // No snapshot folders: nothing can be created.
    QPointer<CPhotoDlg> dlg = open();
    click(dlg, "saveBoth");
    click(dlg, "saveOwn");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(filesIn(root_.path()).empty());
    EXPECT_TRUE(dlg->isVisible());
    dlg->close();
}

TEST_F(PhotoDlgTest, OpeningTheFolderShowsTheUsersSnapshotFolder) {
    QPointer<CPhotoDlg> dlg = open();
    click(dlg, "openFolder");
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_TRUE(opened_[0].isLocalFile());
    EXPECT_EQ(fs::path(opened_[0].toLocalFile().toStdString()), root_ / std::to_string(kOwn));
    dlg->close();
}

TEST_F(PhotoDlgTest, OwnPictureIsPaintedAsItIsAndThePartnersScaledBesideIt) {
    QPointer<CPhotoDlg> dlg = open();
    auto* area = dlg->findChild<QWidget*>("pictures");
    ASSERT_NE(area, nullptr);
    const QImage shown = area->grab().toImage();
    // Own picture: its own size, so its quarters split at 87 and 72.
    EXPECT_EQ(QColor(shown.pixel(10, 10)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(100, 10)), QColor(Qt::green));
    EXPECT_EQ(QColor(shown.pixel(10, 100)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shown.pixel(170, 140)), QColor(Qt::yellow));
    // The partner's: 176 x 144 at x 180, quarters split at 268 and 72.
    EXPECT_EQ(QColor(shown.pixel(185, 5)), QColor(Qt::cyan));
    EXPECT_EQ(QColor(shown.pixel(262, 66)), QColor(Qt::cyan));
    EXPECT_EQ(QColor(shown.pixel(274, 66)), QColor(Qt::magenta));
    EXPECT_EQ(QColor(shown.pixel(185, 78)), QColor(Qt::darkGreen));
    EXPECT_EQ(QColor(shown.pixel(350, 138)), QColor(Qt::white));
    testing::saveScreenshot(*dlg, "ui_photo.png");
    dlg->close();
}

}  // namespace
}  // namespace zemra::client::ui
