// Hands the engines' window messages, pictures and message boxes to the
// widgets on the GUI thread: a widget registered here gets a handle the
// engines post to, and receives each message as a WindowMessageEvent and
// each picture as a PictureEvent.
#pragma once

#include <QEvent>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "platform/winmsg.h"

namespace zemra::client::ui {

class WindowMessageEvent : public QEvent {
  public:
    static const QEvent::Type kType;
    WindowMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
        : QEvent(kType), message(message), wParam(wParam), lParam(lParam) {}
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// A picture an engine drew into a rectangle of the window.
class PictureEvent : public QEvent {
  public:
    static const QEvent::Type kType;
    PictureEvent(QRect where, QImage image)
        : QEvent(kType), where(where), image(std::move(image)) {}
    QRect where;
    QImage image;
};

class WindowMessageBridge {
  public:
    // Installs the sinks; call once on the GUI thread.
    static void install();
    static void uninstall();
    static WindowHandle registerWidget(QWidget* widget);
    static void unregisterWidget(WindowHandle handle);
    // Delivers a message now (the sink queues it and lands here).
    static void deliver(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void deliverPicture(WindowHandle handle, QRect where, QImage image);
};

}  // namespace zemra::client::ui
