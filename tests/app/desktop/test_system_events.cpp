// Sleep, wake and lock notifications reach the controller's handlers, from
// logind's name only. A private session bus stands in for the system bus.
#include "app/system_events.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

using namespace Qt::StringLiterals;

class SystemEventsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sleepAndScreenSaverReachTheHandlersUntilStopped()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(u"org.freedesktop.login1"_s)); // this test plays logind
        SystemEvents events(bus, bus);
        QStringList seen;
        connect(&events, &SystemEvents::suspend, this, [&] { seen << u"suspend"_s; });
        connect(&events, &SystemEvents::wake, this, [&] { seen << u"wake"_s; });
        const auto send = [&](const QString &path, const QString &interface, const QString &name, bool value) {
            QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
            message << value;
            return bus.send(message);
        };
        const QString login = u"/org/freedesktop/login1"_s;
        const QString saver = u"/org/freedesktop/ScreenSaver"_s;
        const QString manager = u"org.freedesktop.login1.Manager"_s;
        const QString saverInterface = u"org.freedesktop.ScreenSaver"_s;
        // The bus takes the subscriptions in its own time: a first wake that
        // comes through shows they are in place before the sequence starts.
        for (int tries = 0; tries < 200 && seen.isEmpty(); ++tries) {
            QVERIFY(send(login, manager, u"PrepareForSleep"_s, false));
            QTest::qWait(100);
        }
        QVERIFY(!seen.isEmpty());
        QTest::qWait(300); // the wakes still on the bus
        seen.clear();
        QVERIFY(send(login, manager, u"PrepareForSleep"_s, true));
        QVERIFY(send(login, u"org.example.Other"_s, u"PrepareForSleep"_s, true)); // ignored
        QVERIFY(send(login, manager, u"PrepareForSleep"_s, false));
        QVERIFY(send(saver, saverInterface, u"ActiveChanged"_s, true));
        QVERIFY(send(saver, saverInterface, u"WakeUpScreen"_s, false)); // ignored
        QVERIFY(send(saver, saverInterface, u"ActiveChanged"_s, false));
        QTRY_COMPARE(seen, (QStringList{u"suspend"_s, u"wake"_s, u"suspend"_s, u"wake"_s}));
        events.stop();
        QVERIFY(send(saver, saverInterface, u"ActiveChanged"_s, true));
        QTest::qWait(300);
        QCOMPARE(seen.size(), 4);
    }
};

QTEST_GUILESS_MAIN(SystemEventsTest)
#include "test_system_events.moc"
