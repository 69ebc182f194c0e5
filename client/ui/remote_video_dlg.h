// The window with the call partner's picture: three zoom levels (1.5, 2 and
// 3 times its base size), full screen and back, and a snapshot of what it
// shows. It sits beside the main window.
#pragma once

#include <QDialog>
#include <QSize>

#include "client/media/media_engines.h"

class QPushButton;

namespace zemra::client::ui {

class VideoSurface;

class RemoteVideoDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr QSize kBaseSize{240, 196};
    static constexpr int kMaxZoom = 3;

    explicit RemoteVideoDlg(QWidget* parent = nullptr);

    VideoSurface* surface() const { return surface_; }
    int zoom() const { return zoom_; }
    bool fullScreen() const { return isFullScreen(); }
    void zoomIn();
    void zoomOut();
    void toggleFullScreen();
    // Next to `main`, on the side with room.
    void placeBeside(const QRect& main);
    // The picture as shown now.
    QImage snapshot() const;

  signals:
    // Where the picture is to be drawn changed.
    void pictureMoved(WindowHandle window, MediaRect where);
    void snapshotWanted();
    void recordWanted(bool on);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    static double factor(int zoom);
    void applyZoom();

    VideoSurface* surface_;
    QWidget* bar_;
    int zoom_ = 1;

  public:
    // The record button follows whether a recording runs.
    void setRecording(bool on);

  private:
    QPushButton* record_;
};

}  // namespace zemra::client::ui
