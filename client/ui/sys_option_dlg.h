// "参数设置": the options sheet with its three pages — general options and
// the hot key, the away texts and quick replies, sounds and devices. OK
// writes what the pages hold into the user's options, settings and reply
// lists; Cancel writes nothing.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/ui/sys_option_rules.h"

class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace zemra::client::ui {

struct DeviceLists {
    std::vector<std::string> cameras, microphones, speakers;
};

class CSysOptionDlg : public QDialog {
    Q_OBJECT
  public:
    enum Page { kGeneral = 0, kReply = 1, kSound = 2 };

    CSysOptionDlg(const store::CUserOptions& options, const store::UserSettings& settings,
                  std::filesystem::path userDir, DeviceLists devices, MediaChoice devicesNow,
                  Page first = kGeneral, QWidget* parent = nullptr);
    ~CSysOptionDlg() override;

    QTabWidget* pages() const { return pages_; }
    // What OK takes over: the pages' values written into these, and the
    // reply lists into their files.
    void commit(store::CUserOptions& options, store::UserSettings& settings);
    MediaChoice wantedDevices() const;

  private:
    QWidget* buildGeneral();
    QWidget* buildReply();
    QWidget* buildReplyList(const char* title, const char* hint, int list);
    QWidget* buildSound();
    void updateHotKeyControls();
    GeneralPage generalPage() const;

    GeneralPage general_;
    std::filesystem::path userDir_;
    DeviceLists devices_;
    MediaChoice devicesNow_;
    std::unique_ptr<SoundFilesPage> sounds_;
    std::vector<ReplyEntries> replies_;  // away texts, quick replies
    std::vector<int> shownReply_;

    QTabWidget* pages_;
    std::array<QRadioButton*, 3> callModes_{};
    QCheckBox* friendsOnly_ = nullptr;
    std::array<QCheckBox*, GeneralPage::kOptionBoxes> optionBoxes_{};
    QCheckBox* onTop_ = nullptr;
    QCheckBox* useHotKey_ = nullptr;
    QRadioButton* defaultHotKey_ = nullptr;
    QRadioButton* customHotKey_ = nullptr;
    QKeySequenceEdit* hotKey_ = nullptr;
    std::vector<QComboBox*> replyNumbers_;
    std::vector<QLineEdit*> replyTexts_;
    QComboBox* soundKind_ = nullptr;
    QLineEdit* soundFile_ = nullptr;
    QComboBox* camera_ = nullptr;
    QComboBox* backEnd_ = nullptr;
    QCheckBox* largePicture_ = nullptr;
    QComboBox* microphone_ = nullptr;
    QComboBox* speaker_ = nullptr;
    QSpinBox* frameRate_ = nullptr;
};

}  // namespace zemra::client::ui
