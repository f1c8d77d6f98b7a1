#pragma once

#include <QDBusConnection>
#include <QObject>

class QScreen;

// Turns the desktop's sleep, wake, lock and screen notifications into the
// signals suspend(), wake() and screensChanged():
//   logind's PrepareForSleep(true/false) on the system bus,
//   the session's Lock/Unlock from logind,
//   the screen saver's ActiveChanged on the session bus,
//   Qt's screen added/removed/primary/geometry signals.
// Without D-Bus the first three simply never come.
class SystemEvents : public QObject {
    Q_OBJECT
public:
    SystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject *parent = nullptr);

    // Stops every notification (termination).
    void stop();

Q_SIGNALS:
    void suspend();
    void wake();
    void screensChanged();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);
    void sessionLocked();
    void sessionUnlocked();
    void screenSaverActiveChanged(bool active);

private:
    // Suspends on the way away (sleep, lock, screen saver), wakes on the way back; silent once stopped.
    void reportAway(bool away);
    void watchScreen(QScreen *screen);

    QDBusConnection m_systemBus;
    QDBusConnection m_sessionBus;
    QList<QMetaObject::Connection> m_screenConnections;
    bool m_stopped = false;
};
