#include "client/ui/global_hot_key.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <iterator>

// X11 headers define macros (None, Status) that clash with Qt's: they come last.
#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
// Failure::None is ours; X11's None is not used in this file.
#undef None

namespace zemra::client::ui {
namespace {

struct KeyName {
    uint16_t vk;
    unsigned long sym;
};

// Windows virtual-key codes (other than letters, digits and function keys,
// which run in blocks) and the X11 key symbols of the same keys on a US
// layout. Sorted by code. Left out: mouse buttons, Shift/Ctrl/Alt/Win and
// Caps/Num Lock (they are modifiers, or change the state the grab matches),
// IME keys and codes that name no key.
constexpr KeyName kKeyNames[] = {
    {0x03, XK_Break},  // VK_CANCEL, Ctrl+Pause
    {0x08, XK_BackSpace},
    {0x09, XK_Tab},
    {0x0C, XK_KP_Begin},  // VK_CLEAR, keypad 5 without Num Lock
    {0x0D, XK_Return},
    {0x13, XK_Pause},
    {0x1B, XK_Escape},
    {0x20, XK_space},
    {0x21, XK_Prior},
    {0x22, XK_Next},
    {0x23, XK_End},
    {0x24, XK_Home},
    {0x25, XK_Left},
    {0x26, XK_Up},
    {0x27, XK_Right},
    {0x28, XK_Down},
    {0x29, XK_Select},
    {0x2B, XK_Execute},
    {0x2C, XK_Print},  // VK_SNAPSHOT
    {0x2D, XK_Insert},
    {0x2E, XK_Delete},
    {0x2F, XK_Help},
    {0x5D, XK_Menu},  // VK_APPS
    {0x5F, XF86XK_Sleep},
    {0x60, XK_KP_0},
    {0x61, XK_KP_1},
    {0x62, XK_KP_2},
    {0x63, XK_KP_3},
    {0x64, XK_KP_4},
    {0x65, XK_KP_5},
    {0x66, XK_KP_6},
    {0x67, XK_KP_7},
    {0x68, XK_KP_8},
    {0x69, XK_KP_9},
    {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},
    {0x91, XK_Scroll_Lock},
    {0xA6, XF86XK_Back},
    {0xA7, XF86XK_Forward},
    {0xA8, XF86XK_Refresh},
    {0xA9, XF86XK_Stop},
    {0xAA, XF86XK_Search},
    {0xAB, XF86XK_Favorites},
    {0xAC, XF86XK_HomePage},
    {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume},
    {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext},
    {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},
    {0xB4, XF86XK_Mail},
    {0xB5, XF86XK_AudioMedia},
    {0xB6, XF86XK_MyComputer},  // VK_LAUNCH_APP1
    {0xB7, XF86XK_Calculator},  // VK_LAUNCH_APP2
    {0xBA, XK_semicolon},       // VK_OEM_1
    {0xBB, XK_equal},           // VK_OEM_PLUS
    {0xBC, XK_comma},
    {0xBD, XK_minus},
    {0xBE, XK_period},
    {0xBF, XK_slash},         // VK_OEM_2
    {0xC0, XK_grave},         // VK_OEM_3
    {0xDB, XK_bracketleft},   // VK_OEM_4
    {0xDC, XK_backslash},     // VK_OEM_5
    {0xDD, XK_bracketright},  // VK_OEM_6
    {0xDE, XK_apostrophe},    // VK_OEM_7
    {0xE2, XK_less},          // VK_OEM_102, the extra key of 102-key keyboards
};
static_assert(std::is_sorted(std::begin(kKeyNames), std::end(kKeyNames),
                             [](const KeyName& a, const KeyName& b) { return a.vk < b.vk; }),
              "keysymFor searches the table by halves");

// The grab must hold whatever the lock keys are (Mod2 is Num Lock).
const unsigned int kLockMasks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
const unsigned int kHotKeyModifiers = ShiftMask | ControlMask | Mod1Mask;

// Xlib reports errors through one process-wide handler; while a grab is being
// checked it records the errors of that one connection.
Display* checkedDisplay = nullptr;
bool grabRefused = false;
XErrorHandler otherHandler = nullptr;

int onGrabError(Display* dpy, XErrorEvent* error) {
    if (dpy != checkedDisplay) return otherHandler ? otherHandler(dpy, error) : 0;
    grabRefused = true;  // BadAccess in practice: the key is someone else's
    return 0;
}

}  // namespace

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {
    if (qGuiApp) qGuiApp->installNativeEventFilter(this);
}

GlobalHotKey::GlobalHotKey(const QByteArray& displayName, QObject* parent) : QObject(parent) {
    own_ = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!own_) return;
    ownEvents_ = new QSocketNotifier(ConnectionNumber(own_), QSocketNotifier::Read, this);
    connect(ownEvents_, &QSocketNotifier::activated, this, &GlobalHotKey::readOwnConnection);
}

GlobalHotKey::~GlobalHotKey() {
    unregisterKey();
    if (own_) {
        delete ownEvents_;
        XCloseDisplay(own_);
    } else if (qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
    }
}

unsigned long GlobalHotKey::keysymFor(uint16_t vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);  // F1 to F24
    const auto* end = std::end(kKeyNames);
    const auto* it = std::lower_bound(std::begin(kKeyNames), end, vk,
                                      [](const KeyName& k, uint16_t code) { return k.vk < code; });
    return it != end && it->vk == vk ? it->sym : 0;
}

Display* GlobalHotKey::display() const {
    if (own_) return own_;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

bool GlobalHotKey::registerKey(uint32_t value) {
    unregisterKey();
    const unsigned long sym = keysymFor(static_cast<uint16_t>(value & 0xFFFF));
    if (sym == 0) {
        lastFailure_ = Failure::Unmappable;
        return false;
    }
    Display* dpy = display();
    if (!dpy) {
        lastFailure_ = Failure::NoDisplay;
        return false;
    }
    const unsigned int code = XKeysymToKeycode(dpy, sym);
    if (code == 0) {
        lastFailure_ = Failure::Unmappable;
        return false;
    }
    modifiers_ = 0;
    if (value & (1u << 16)) modifiers_ |= ShiftMask;
    if (value & (1u << 17)) modifiers_ |= ControlMask;
    if (value & (1u << 18)) modifiers_ |= Mod1Mask;
    keycode_ = code;
    if (!grab()) {
        ungrab();
        keycode_ = 0;
        lastFailure_ = Failure::GrabRefused;
        return false;
    }
    lastFailure_ = Failure::None;
    return true;
}

void GlobalHotKey::unregisterKey() {
    if (keycode_ == 0) return;
    ungrab();
    keycode_ = 0;
}

bool GlobalHotKey::grab() {
    Display* dpy = display();
    if (!dpy) return false;
    const Window root = DefaultRootWindow(dpy);
    XSync(dpy, False);  // earlier errors go to whoever was waiting for them
    checkedDisplay = dpy;
    grabRefused = false;
    otherHandler = XSetErrorHandler(&onGrabError);
    for (unsigned int lock : kLockMasks) {
        XGrabKey(dpy, static_cast<int>(keycode_), modifiers_ | lock, root, True, GrabModeAsync,
                 GrabModeAsync);
    }
    XSync(dpy, False);
    XSetErrorHandler(otherHandler);
    checkedDisplay = nullptr;
    // Events the sync read are already queued and will not wake the notifier.
    if (own_) readOwnConnection();
    return !grabRefused;
}

void GlobalHotKey::ungrab() {
    Display* dpy = display();
    if (!dpy) return;
    const Window root = DefaultRootWindow(dpy);
    for (unsigned int lock : kLockMasks) {
        XUngrabKey(dpy, static_cast<int>(keycode_), modifiers_ | lock, root);
    }
    XSync(dpy, False);  // once unregistered, the key is free for other clients
}

bool GlobalHotKey::matches(unsigned int keycode, unsigned int state) const {
    return keycode_ != 0 && keycode == keycode_ && (state & kHotKeyModifiers) == modifiers_;
}

void GlobalHotKey::readOwnConnection() {
    while (XPending(own_) > 0) {
        XEvent event;
        XNextEvent(own_, &event);
        if (event.type == KeyPress && matches(event.xkey.keycode, event.xkey.state)) {
            emit activated();
        }
    }
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (own_ || keycode_ == 0 || type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (!matches(key->detail, key->state)) return false;
    emit activated();
    return true;
}

}  // namespace zemra::client::ui
