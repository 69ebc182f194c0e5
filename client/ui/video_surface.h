// A widget the video engine draws into: it has a window handle of its own
// and paints the latest picture of each rectangle the engine draws to,
// stretched, on black.
#pragma once

#include <QImage>
#include <QMap>
#include <QWidget>

#include "client/media/media_engines.h"
#include "platform/winmsg.h"

namespace zemra::client::ui {

class VideoSurface : public QWidget {
    Q_OBJECT
  public:
    explicit VideoSurface(QWidget* parent = nullptr);
    ~VideoSurface() override;

    WindowHandle handle() const { return handle_; }
    // The whole widget as the engine's rectangle.
    MediaRect area() const { return {0, 0, width(), height()}; }
    // Pictures drawn so far, and the newest one.
    int pictures() const { return pictures_; }
    QImage latest() const { return latest_; }
    // Back to black (a call ended).
    void clear();

  signals:
    void resized();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    WindowHandle handle_;
    QMap<QString, QPair<QRect, QImage>> shown_;
    QImage latest_;
    int pictures_ = 0;
};

}  // namespace zemra::client::ui
