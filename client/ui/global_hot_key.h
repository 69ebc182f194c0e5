// The system-wide hot key: a key grab on the X11 root window. Where there is
// no X11 display, the key has no X11 counterpart, or another client holds the
// key, registration fails and lastFailure() says which.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <cstdint>

struct _XDisplay;  // Xlib's Display, kept out of this header for its macros
class QSocketNotifier;

namespace zemra::client::ui {

class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    enum class Failure {
        None,         // the last registration holds (or none was tried)
        Unmappable,   // no X11 key symbol for the key, or no key for it on this keyboard
        GrabRefused,  // the X server refused the grab: another client has the key
        NoDisplay,    // no X11 display to grab on (offscreen, Wayland without X)
    };

    // Grabs on the application's own X11 connection (the xcb platform).
    explicit GlobalHotKey(QObject* parent = nullptr);
    // Grabs on a connection of its own to `displayName` ("" for $DISPLAY),
    // whatever the application's platform is; key presses are read from that
    // connection.
    explicit GlobalHotKey(const QByteArray& displayName, QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // `value` as stored: the low 16 bits a Windows virtual-key code, bits
    // 16, 17 and 18 shift, control and alt. False when the key cannot be
    // grabbed; lastFailure() then tells why. A previous grab is released first.
    bool registerKey(uint32_t value);
    void unregisterKey();
    bool registered() const { return keycode_ != 0; }
    Failure lastFailure() const { return lastFailure_; }

    // The X11 key symbol for a virtual-key code on a US layout; 0 when the key
    // cannot be a hot key (mouse buttons, modifier and lock keys, IME keys,
    // unassigned codes).
    static unsigned long keysymFor(uint16_t virtualKey);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

  signals:
    void activated();

  private:
    _XDisplay* display() const;
    bool grab();
    void ungrab();
    void readOwnConnection();
    bool matches(unsigned int keycode, unsigned int state) const;

    _XDisplay* own_ = nullptr;  // null when the application's connection is used
    QSocketNotifier* ownEvents_ = nullptr;
    unsigned int keycode_ = 0;
    unsigned int modifiers_ = 0;
    Failure lastFailure_ = Failure::None;
};

}  // namespace zemra::client::ui
