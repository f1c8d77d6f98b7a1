// Sleep, wake and lock notifications reach the controller's handlers. A
// private D-Bus bus stands in for the system bus: logind cannot run here.
#include "app/system_events.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

namespace {

bool send(const char *path, const char *interface, const char *name, bool value)
{
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message << value;
    return QDBusConnection::sessionBus().send(message);
}

} // namespace

class SystemEventsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sleepAndScreenSaverReachTheHandlersUntilStopped()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus: run under dbus-run-session");
        // This test plays logind: signals are taken only from the owner of its name.
        QVERIFY(QDBusConnection::sessionBus().registerService(QStringLiteral("org.freedesktop.login1")));
        SystemEvents events(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
        QStringList seen;
        events.onSuspend = [&] { seen << QStringLiteral("suspend"); };
        events.onWake = [&] { seen << QStringLiteral("wake"); };
        const char *login = "/org/freedesktop/login1", *manager = "org.freedesktop.login1.Manager";
        const char *saver = "/org/freedesktop/ScreenSaver", *saverInterface = "org.freedesktop.ScreenSaver";
        QVERIFY(send(login, manager, "PrepareForSleep", true));
        QVERIFY(send(login, "org.example.Other", "PrepareForSleep", true)); // ignored
        QVERIFY(send(login, manager, "PrepareForSleep", false));
        QVERIFY(send(saver, saverInterface, "ActiveChanged", true));
        QVERIFY(send(saver, saverInterface, "WakeUpScreen", false)); // ignored
        QVERIFY(send(saver, saverInterface, "ActiveChanged", false));
        QTRY_COMPARE(seen, (QStringList{"suspend", "wake", "suspend", "wake"}));

        events.stop();
        QVERIFY(send(saver, saverInterface, "ActiveChanged", true));
        QTest::qWait(300);
        QCOMPARE(seen.size(), 4);
    }
};

QTEST_GUILESS_MAIN(SystemEventsTest)
#include "test_system_events.moc"
