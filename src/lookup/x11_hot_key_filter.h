#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>

class X11KeyGrab;

// Picks the presses of our grabbed shortcut out of the X events Qt reads and
// lets every other event through untouched. Holding the keys down makes X
// repeat the press; only the first press of each hold is reported.
class X11HotKeyFilter : public QAbstractNativeEventFilter {
public:
    X11HotKeyFilter(const X11KeyGrab &grab, std::function<void()> pressed);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    const X11KeyGrab &m_grab;
    std::function<void()> m_pressed;
    bool m_keyDown = false;
    uint32_t m_lastReleaseTime = 0;
};
