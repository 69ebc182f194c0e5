#include "client/ui/global_hot_key.h"

#include <QGuiApplication>

// X11 headers define macros (None, Status) that clash with Qt's: they come last.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace zemra::client::ui {
namespace {

Display* display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

bool grabFailed = false;
int onGrabError(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess) grabFailed = true;
    return 0;
}

// The grab must hold whatever the lock keys are.
const unsigned int kLockMasks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

}  // namespace

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {
    if (qGuiApp) qGuiApp->installNativeEventFilter(this);
}

GlobalHotKey::~GlobalHotKey() {
    unregisterKey();
    if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
}

unsigned long GlobalHotKey::keysymFor(uint16_t vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x7B) return XK_F1 + (vk - 0x70);
    return 0;
}

bool GlobalHotKey::registerKey(uint32_t value) {
    unregisterKey();
    Display* dpy = display();
    const unsigned long sym = keysymFor(static_cast<uint16_t>(value & 0xFFFF));
    if (!dpy || sym == 0) return false;
    const unsigned int code = XKeysymToKeycode(dpy, sym);
    if (code == 0) return false;
    modifiers_ = 0;
    if (value & (1u << 16)) modifiers_ |= ShiftMask;
    if (value & (1u << 17)) modifiers_ |= ControlMask;
    if (value & (1u << 18)) modifiers_ |= Mod1Mask;
    keycode_ = code;
    XSync(dpy, False);
    grabFailed = false;
    auto* previous = XSetErrorHandler(&onGrabError);
    grab(true);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    if (grabFailed) {
        grab(false);
        keycode_ = 0;
        return false;
    }
    return true;
}

void GlobalHotKey::unregisterKey() {
    if (keycode_ == 0) return;
    grab(false);
    keycode_ = 0;
}

void GlobalHotKey::grab(bool on) {
    Display* dpy = display();
    if (!dpy) return;
    const Window root = DefaultRootWindow(dpy);
    for (unsigned int lock : kLockMasks) {
        if (on) {
            XGrabKey(dpy, static_cast<int>(keycode_), modifiers_ | lock, root, True, GrabModeAsync,
                     GrabModeAsync);
        } else {
            XUngrabKey(dpy, static_cast<int>(keycode_), modifiers_ | lock, root);
        }
    }
    XFlush(dpy);
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (keycode_ == 0 || type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    const unsigned int relevant = ShiftMask | ControlMask | Mod1Mask;
    if (key->detail == keycode_ && (key->state & relevant) == modifiers_) {
        emit activated();
        return true;
    }
    return false;
}

}  // namespace zemra::client::ui
