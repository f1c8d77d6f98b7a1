// Sleep, wake and lock notifications reach the controller's handlers. A
// private D-Bus bus stands in for the system bus: logind cannot run here.
#include "app/system_events.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

class SystemEventsTest : public QObject {
    Q_OBJECT
private:
    static void emitSignal(const QString &path, const QString &interface, const QString &name, const QVariant &value)
    {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message << value;
        QVERIFY(QDBusConnection::sessionBus().send(message));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QFAIL("no session bus: run under dbus-run-session");
        // This test plays logind: signals are taken only from the owner of its name.
        QVERIFY(QDBusConnection::sessionBus().registerService(QStringLiteral("org.freedesktop.login1")));
    }

    void sleepLockAndScreenSaverReachTheHandlers()
    {
        // The session bus plays the part of the system bus too.
        SystemEvents events(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
        QStringList seen;
        events.onSuspend = [&] { seen << QStringLiteral("suspend"); };
        events.onWake = [&] { seen << QStringLiteral("wake"); };

        emitSignal(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                   QStringLiteral("PrepareForSleep"), true);
        QTRY_COMPARE(seen, QStringList{QStringLiteral("suspend")});
        emitSignal(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                   QStringLiteral("PrepareForSleep"), false);
        QTRY_COMPARE(seen.size(), 2);
        QCOMPARE(seen.last(), QStringLiteral("wake"));

        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("ActiveChanged"), true);
        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("ActiveChanged"), false);
        QTRY_COMPARE(seen.size(), 4);
        QCOMPARE(seen.mid(2), (QStringList{QStringLiteral("suspend"), QStringLiteral("wake")}));

        // After termination nothing comes through.
        events.stop();
        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("ActiveChanged"), true);
        QTest::qWait(300);
        QCOMPARE(seen.size(), 4);
    }

    void otherSignalsAreIgnored()
    {
        SystemEvents events(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
        int calls = 0;
        events.onSuspend = [&] { ++calls; };
        events.onWake = [&] { ++calls; };
        emitSignal(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.example.Other"),
                   QStringLiteral("PrepareForSleep"), true);
        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("WakeUpScreen"), true);
        QTest::qWait(300);
        QCOMPARE(calls, 0);
    }
};

QTEST_GUILESS_MAIN(SystemEventsTest)
#include "test_system_events.moc"
