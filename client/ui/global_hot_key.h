// The system-wide hot key: a key grab on the X11 root window. Where there is
// no X11 display (or the key is taken) registration fails.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>

namespace zemra::client::ui {

class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    explicit GlobalHotKey(QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // `value` as stored: the low 16 bits a Windows virtual-key code, bits
    // 16, 17 and 18 shift, control and alt. False when it cannot be grabbed.
    bool registerKey(uint32_t value);
    void unregisterKey();
    bool registered() const { return keycode_ != 0; }

    // The X11 key symbol for a virtual-key code; 0 when there is none.
    static unsigned long keysymFor(uint16_t virtualKey);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

  signals:
    void activated();

  private:
    void grab(bool on);
    unsigned int keycode_ = 0;
    unsigned int modifiers_ = 0;
};

}  // namespace zemra::client::ui
