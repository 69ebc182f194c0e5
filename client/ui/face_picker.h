// The emoticon picker that drops down from the chat window's button: a grid
// of the 50 pictures; a click picks one and closes it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace zemra::client::ui {

class CFacePicker : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCell = 26;
    static constexpr int kColumns = 10;
    static constexpr int kRows = 5;
    static constexpr int kPictureOffset = 3;

    explicit CFacePicker(QWidget* parent = nullptr);

    // Shows the picker with its top left at `globalPos`, kept on the screen.
    void popUpAt(const QPoint& globalPos);

    // The cell under a client point, -1 outside the grid.
    static int cellAt(const QPoint& p);
    // Cell `index` in client coordinates (picture i at column i%10, row i/10).
    static QRect cellRect(int index);
    // The cell drawn raised, -1 when the mouse is over none.
    int hotCell() const { return hot_; }

  signals:
    void picked(int index);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void setHot(int cell);

    int hot_ = -1;
    int pressed_ = -1;
};

}  // namespace zemra::client::ui
