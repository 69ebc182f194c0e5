// The one-line band of text that scrolls across the bottom of the main window.
#pragma once

#include <QTimer>
#include <QWidget>

namespace zemra::client::ui {

class Ticker : public QWidget {
    Q_OBJECT
  public:
    explicit Ticker(QWidget* parent = nullptr);
    void setText(const QString& text);
    QSize sizeHint() const override { return QSize(200, 18); }

    // The text moves only while the band can be seen.
    bool scrolling() const { return timer_.isActive(); }
    // How far, in pixels, the text has moved in from the right edge.
    int offset() const { return offset_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A hidden band (minimised or closed main window) costs no repaints.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QString text_;
    int offset_ = 0;
    QTimer timer_;
};

}  // namespace zemra::client::ui
