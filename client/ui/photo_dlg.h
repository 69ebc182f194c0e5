// The snapshot window of a call: the own picture and the other party's side
// by side, saved on request as bitmap files under the user's snapshot folder.
#pragma once

#include <QImage>
#include <QUrl>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "client/ui/skinned_dialog.h"

namespace zemra::client::ui {

class CPhotoDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    // Where the pictures are painted inside the picture area.
    static constexpr int kPartnerX = 180;
    static constexpr int kPartnerWidth = 176;
    static constexpr int kPartnerHeight = 144;

    CPhotoDlg(std::filesystem::path photoRoot, uint32_t ownId, uint32_t partnerId, QImage own,
              QImage partner, QWidget* parent = nullptr);

    // How "打开保存目录" shows a folder; the desktop's file browser unless replaced.
    void setFolderOpener(std::function<void(const QUrl&)> open) { openFolder_ = std::move(open); }

  private:
    class PictureArea;

    static std::string stampNow();
    // A picture that is missing or whose file cannot be created is skipped.
    void saveOwn(const std::string& stamp) const;
    void savePartner(const std::string& stamp) const;

    std::filesystem::path photoRoot_;
    uint32_t ownId_;
    uint32_t partnerId_;
    QImage own_;
    QImage partner_;
    std::function<void(const QUrl&)> openFolder_;
};

}  // namespace zemra::client::ui
