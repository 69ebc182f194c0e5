// The two small topmost windows of a call being set up: `CRingDlg` for an
// incoming call ("接收", "拒绝") and `CDialOutDlg` for an outgoing one
// ("取消"). Each is created once and shown again for every call; its tone
// plays in a loop while it shows. The time-outs are the call logic's.
#pragma once

#include <QTimer>
#include <filesystem>
#include <functional>

#include "client/ui/skinned_dialog.h"

class QLabel;
class QPushButton;

namespace zemra::client::ui {

class CallSetupDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    struct Tone {
        std::filesystem::path file;
        unsigned device = 0;
    };
    void setTone(Tone tone) { tone_ = std::move(tone); }
    // Sets the text and shows the window (again) with its tone.
    void showText(const QString& text);
    // Hides the window; its tone stops.
    void hideWindow();
    QString text() const;

  protected:
    CallSetupDlg(const QString& caption, const QString& skinTitle, QWidget* parent);
    QPushButton* addButton(const QString& text, const char* name, std::function<void()> action);
    void hideEvent(QHideEvent* event) override;
    // The close box: refuse or cancel.
    void reject() override;
    std::function<void()> onClose_;

  private:
    QLabel* text_;
    QWidget* buttons_;
    Tone tone_;
};

class CRingDlg : public CallSetupDlg {
    Q_OBJECT
  public:
    CRingDlg(std::function<void()> accept, std::function<void()> refuse, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QTimer toFront_;  // timer 2: back in front every second while it rings
};

class CDialOutDlg : public CallSetupDlg {
    Q_OBJECT
  public:
    explicit CDialOutDlg(std::function<void()> cancel, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer animation_;
    int frame_ = 0;
};

}  // namespace zemra::client::ui
