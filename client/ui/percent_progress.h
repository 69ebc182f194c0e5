// A progress bar that writes its percentage (or a fixed text) across itself.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace zemra::client::ui {

class CPercentProgress : public QWidget {
    Q_OBJECT
  public:
    explicit CPercentProgress(QWidget* parent = nullptr);

    void setRange(int lower, int upper);
    void setPosition(int position);
    int position() const { return position_; }
    void setFixedText(const QString& text);

    // The text drawn: the fixed text, else "%d%" of the truncated percentage;
    // empty when the range is empty.
    QString text() const;
    // Width of the filled part in a bar `width` pixels wide.
    int filledWidth(int width) const;

    QSize sizeHint() const override { return QSize(200, 18); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    QString fixed_;
    QColor filled_;
    QColor empty_;
};

}  // namespace zemra::client::ui
