#include "client/ui/window_message_bridge.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <atomic>

#include "client/ui/picture_image.h"

namespace zemra::client::ui {
namespace {

// GUI-thread only: the sinks never touch it, they queue a call.
QHash<WindowHandle, QPointer<QWidget>>& widgets() {
    static QHash<WindowHandle, QPointer<QWidget>> map;
    return map;
}

std::atomic<WindowHandle> nextHandle{0x1000};

void messageSink(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam, void*) {
    QMetaObject::invokeMethod(
        qApp, [=] { WindowMessageBridge::deliver(window, message, wParam, lParam); },
        Qt::QueuedConnection);
}

// Runs on an engine's thread: the picture is copied before the engine
// reuses its buffer.
void pictureSink(uintptr_t window, int x, int y, int width, int height, const uint8_t* header,
                 const void* bits, void*) {
    const auto info = BitmapInfoHeader::readFrom(std::span(header, BitmapInfoHeader::kSize));
    if (!info) return;
    auto image = imageFromPicture(*info, bits);
    if (!image) return;
    QMetaObject::invokeMethod(
        qApp,
        [=, image = std::move(*image)] {
            WindowMessageBridge::deliverPicture(window, QRect(x, y, width, height), image);
        },
        Qt::QueuedConnection);
}

void messageBoxSink(const char* text, const char* caption, void*) {
    const QString t = QString::fromUtf8(text);
    const QString c = QString::fromUtf8(caption);
    QMetaObject::invokeMethod(
        qApp, [=] { QMessageBox::information(nullptr, c, t); }, Qt::QueuedConnection);
}

}  // namespace

const QEvent::Type WindowMessageEvent::kType =
    static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type PictureEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

void WindowMessageBridge::install() {
    zemra_set_window_message_sink(&messageSink, nullptr);
    zemra_set_message_box_sink(&messageBoxSink, nullptr);
    zemra_set_picture_sink(&pictureSink, nullptr);
}

void WindowMessageBridge::uninstall() {
    zemra_set_window_message_sink(nullptr, nullptr);
    zemra_set_message_box_sink(nullptr, nullptr);
    zemra_set_picture_sink(nullptr, nullptr);
}

WindowHandle WindowMessageBridge::registerWidget(QWidget* widget) {
    const WindowHandle handle = nextHandle++;
    widgets().insert(handle, widget);
    return handle;
}

void WindowMessageBridge::unregisterWidget(WindowHandle handle) {
    widgets().remove(handle);
}

void WindowMessageBridge::deliver(WindowHandle handle, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) {
    const auto it = widgets().constFind(handle);
    if (it == widgets().constEnd() || it->isNull()) return;
    WindowMessageEvent event(message, wParam, lParam);
    QApplication::sendEvent(it->data(), &event);
}

}  // namespace zemra::client::ui

namespace zemra::client::ui {

void WindowMessageBridge::deliverPicture(WindowHandle handle, QRect where, QImage image) {
    const auto it = widgets().constFind(handle);
    if (it == widgets().constEnd() || it->isNull()) return;
    PictureEvent event(where, std::move(image));
    QApplication::sendEvent(it->data(), &event);
}

}  // namespace zemra::client::ui
