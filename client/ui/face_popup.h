// The small notice that rises at the corner of the screen with a contact's
// face and a line of text, and goes away by itself.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace zemra::client::ui {

class FacePopup : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kShowMs = 5000;
    FacePopup(const QPixmap& face, const QString& text);
    // Shows it at the bottom right of the screen, above earlier ones.
    void popUp(int stackIndex);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QPixmap face_;
    QString text_;
};

}  // namespace zemra::client::ui
