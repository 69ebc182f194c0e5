#include "client/ui/remote_video_dlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "client/ui/ui_text.h"
#include "client/ui/video_surface.h"

namespace zemra::client::ui {

RemoteVideoDlg::RemoteVideoDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(u("对方视频"));
    setObjectName("remoteVideoWindow");
    surface_ = new VideoSurface;
    surface_->setObjectName("remoteVideo");
    bar_ = new QWidget;
    auto* row = new QHBoxLayout(bar_);
    row->setContentsMargins(2, 0, 2, 0);
    const struct {
        const char* text;
        const char* name;
        void (RemoteVideoDlg::*action)();
    } buttons[] = {{"放大", "zoomIn", &RemoteVideoDlg::zoomIn},
                   {"缩小", "zoomOut", &RemoteVideoDlg::zoomOut},
                   {"全屏", "fullScreen", &RemoteVideoDlg::toggleFullScreen}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(u(b.text));
        button->setObjectName(b.name);
        button->setFlat(true);
        connect(button, &QPushButton::clicked, this, b.action);
        row->addWidget(button);
    }
    auto* snap = new QPushButton(u("快照"));
    snap->setObjectName("snapshot");
    snap->setFlat(true);
    connect(snap, &QPushButton::clicked, this, &RemoteVideoDlg::snapshotWanted);
    row->addWidget(snap);
    record_ = new QPushButton(u("录像"));
    record_->setObjectName("record");
    record_->setFlat(true);
    record_->setCheckable(true);
    connect(record_, &QPushButton::clicked, this, &RemoteVideoDlg::recordWanted);
    row->addWidget(record_);
    row->addStretch();
    // The bar fits the smallest zoom level.
    for (auto* button : bar_->findChildren<QPushButton*>()) button->setMaximumWidth(58);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar_);
    layout->addWidget(surface_, 1);
    connect(surface_, &VideoSurface::resized, this,
            [this] { emit pictureMoved(surface_->handle(), surface_->area()); });
    applyZoom();
}

double RemoteVideoDlg::factor(int zoom) {
    return zoom == 1 ? 1.5 : zoom == 2 ? 2.0 : 3.0;
}

void RemoteVideoDlg::applyZoom() {
    const double f = factor(zoom_);
    resize(int(kBaseSize.width() * f), int(kBaseSize.height() * f));
}

void RemoteVideoDlg::zoomIn() {
    if (isFullScreen() || zoom_ >= kMaxZoom) return;
    ++zoom_;
    applyZoom();
}

void RemoteVideoDlg::zoomOut() {
    if (isFullScreen() || zoom_ <= 1) return;
    --zoom_;
    applyZoom();
}

void RemoteVideoDlg::toggleFullScreen() {
    if (isFullScreen()) {
        showNormal();
        bar_->show();
        zoom_ = 1;
        applyZoom();
    } else {
        bar_->hide();
        showFullScreen();
    }
}

void RemoteVideoDlg::placeBeside(const QRect& main) {
    if (isFullScreen()) return;
    const QScreen* screen = QGuiApplication::screenAt(main.center());
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    QPoint at(main.right() + 4, main.top());
    if (at.x() + width() > area.right()) at.setX(std::max(area.left(), main.left() - width() - 4));
    move(at);
}

void RemoteVideoDlg::setRecording(bool on) {
    record_->setChecked(on);
    record_->setText(u(on ? "停止录像" : "录像"));
}

QImage RemoteVideoDlg::snapshot() const {
    return surface_->grab().toImage();
}

void RemoteVideoDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isFullScreen()) return toggleFullScreen();
    QDialog::keyPressEvent(event);
}

void RemoteVideoDlg::mouseDoubleClickEvent(QMouseEvent*) {
    toggleFullScreen();
}

}  // namespace zemra::client::ui
