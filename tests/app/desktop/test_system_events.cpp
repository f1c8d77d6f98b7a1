// Sleep, wake and lock notifications reach the controller's handlers, from
// logind's name only. A private session bus stands in for the system bus.
#include "app/system_events.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

class SystemEventsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sleepAndScreenSaverReachTheHandlersUntilStopped()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.login1"))); // this test plays logind
        SystemEvents events(bus, bus);
        QStringList seen;
        connect(&events, &SystemEvents::suspend, this, [&] { seen << QStringLiteral("suspend"); });
        connect(&events, &SystemEvents::wake, this, [&] { seen << QStringLiteral("wake"); });
        const auto send = [&](const char *path, const char *interface, const char *name, bool value) {
            QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
            message << value;
            return bus.send(message);
        };
        const char *login = "/org/freedesktop/login1";
        const char *saver = "/org/freedesktop/ScreenSaver";
        const char *manager = "org.freedesktop.login1.Manager";
        const char *saverInterface = "org.freedesktop.ScreenSaver";
        // The bus takes the subscriptions in its own time: a first wake that
        // comes through shows they are in place before the sequence starts.
        for (int tries = 0; tries < 200 && seen.isEmpty(); ++tries) {
            QVERIFY(send(login, manager, "PrepareForSleep", false));
            QTest::qWait(100);
        }
        QVERIFY(!seen.isEmpty());
        QTest::qWait(300); // the wakes still on the bus
        seen.clear();
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
