// A modal or modeless dialog in the client's skinned frame.
#pragma once

#include <QDialog>
#include <QString>

#include "client/ui/skinned_frame.h"

namespace zemra::client::ui {

class SkinnedDialog : public QDialog {
    Q_OBJECT
  public:
    // `skinTitle` is the text drawn in the title bar; the window title is the
    // dialog's own caption.
    SkinnedDialog(const QString& caption, const QString& skinTitle, QWidget* parent = nullptr,
                  bool hasMinimise = false);

    const QString& skinTitle() const { return skinTitle_; }
    SkinnedFrame& frame() { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString skinTitle_;
    SkinnedFrame frame_;
};

}  // namespace zemra::client::ui
