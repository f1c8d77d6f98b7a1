#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>

class X11KeyGrab;

// Picks the presses of our grabbed shortcut out of the X events Qt reads and
// lets every other event through untouched. Holding the keys down makes X
// repeat the press; only the first press of each hold is reported.
class X11HotKeyFilter : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11HotKeyFilter(const X11KeyGrab &grab, QObject *parent = nullptr);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    // The first press of a hold of our shortcut, from inside Qt's event dispatch.
    void pressed();

private:
    const X11KeyGrab &m_grab;
    bool m_keyDown = false;
    uint32_t m_lastReleaseTime = 0;
};
