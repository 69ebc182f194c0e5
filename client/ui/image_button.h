// A push button drawn from pictures: normal, pressed, hover and disabled
// (the normal one when there is none), optionally shaped by a mask picture.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace zemra::client::ui {

class CImageButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit CImageButton(QWidget* parent = nullptr);

    void setImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                   const QPixmap& disabled = QPixmap());
    // Non-white pixels of `mask` shape the button; in draw mode 0 it also
    // takes the mask's size.
    void setMaskImage(const QPixmap& mask);
    // Values above 1 count as 2, negative ones as 0.
    void setDrawMode(int mode);
    int drawMode() const { return drawMode_; }
    void setBorder(bool border) { border_ = border; }
    void setFocusMargin(int margin) { margin_ = margin; }

    // The picture painted in the button's present state.
    const QPixmap& currentImage() const;
    bool hovering() const { return hover_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QPixmap normal_, pressed_, hoverImage_, disabled_;
    int drawMode_ = 0;
    bool border_ = false;
    int margin_ = 0;
    bool hover_ = false;
};

}  // namespace zemra::client::ui
