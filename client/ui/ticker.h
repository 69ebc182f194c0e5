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

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    int offset_ = 0;
    QTimer timer_;
};

}  // namespace zemra::client::ui
