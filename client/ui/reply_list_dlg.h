// "回复设置": edits the user's quick-reply and automatic-reply lists
// ("quickreply.txt", "autoreply.txt"); the files change only on "确定".
#pragma once

#include <array>
#include <filesystem>

#include "client/ui/skinned_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace zemra::client::ui {

class CReplyListDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    enum List { kQuick = 0, kAway = 1 };
    enum Button { kAdd, kChange, kDelete, kUp, kDown };

    // Longest entry, in characters: twice that in GBK bytes still reads back as one line.
    static constexpr int kMaxEntryChars = 50;

    explicit CReplyListDlg(std::filesystem::path userDir, QWidget* parent = nullptr);

    // Modal: QDialog::Accepted after "确定", which writes both files.
    int run();

    QListWidget* quickList() const { return panes_[kQuick].list; }
    QListWidget* awayList() const { return panes_[kAway].list; }
    QLineEdit* editLine(int which) const { return panes_[which].edit; }
    QPushButton* button(int which, Button b) const { return panes_[which].buttons[b]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    struct Pane {
        const char* fileName = nullptr;
        QListWidget* list = nullptr;
        QLineEdit* edit = nullptr;
        std::array<QPushButton*, 5> buttons{};
    };

    QWidget* buildPane(Pane& pane, const char* title);
    void add(Pane& pane);
    void change(Pane& pane);
    void remove(Pane& pane);
    void move(Pane& pane, int by);
    void save();

    std::filesystem::path userDir_;
    std::array<Pane, 2> panes_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace zemra::client::ui
