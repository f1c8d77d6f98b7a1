// No tray some seconds after launch: one desktop notification says how to
// reach the menu, delivered to a stand-in notification server on a private
// session bus; never when the tray came in time, never a second one.
#include "app/tray_absence_notice.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

using namespace Qt::StringLiterals;

class NotificationServer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit NotificationServer(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    QList<QVariantList> received;

public Q_SLOTS:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        received.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return uint(received.size());
    }
};

class TrayNoticeTest : public QObject {
    Q_OBJECT
    QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"server"_s);
    QObject serverObject;
    NotificationServer *server = new NotificationServer(&serverObject);

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(serverBus.registerObject(u"/org/freedesktop/Notifications"_s, &serverObject));
        QVERIFY(serverBus.registerService(u"org.freedesktop.Notifications"_s));
    }
    void init() { server->received.clear(); }

    void saysSoOnceWhenNoTrayCame_data()
    {
        QTest::addColumn<bool>("trayAtTheDeadline");
        QTest::addColumn<int>("notifications");
        QTest::newRow("no tray") << false << 1;
        QTest::newRow("tray in time") << true << 0;
    }
    void saysSoOnceWhenNoTrayCame()
    {
        QFETCH(bool, trayAtTheDeadline);
        QFETCH(int, notifications);
        bool tray = false;
        TrayAbsenceNotice notice(
            QDBusConnection::sessionBus(), [&] { return tray; }, std::chrono::milliseconds(200));
        QTest::qWait(50);
        QCOMPARE(server->received.size(), 0); // not before the delay
        tray = trayAtTheDeadline;
        QTRY_COMPARE(notice.sent(), notifications == 1);
        QTest::qWait(300); // past the deadline, and the message has arrived
        QCOMPARE(server->received.size(), notifications);
        tray = !tray; // a tray that comes (or goes) later changes nothing
        QTest::qWait(400);
        QCOMPARE(server->received.size(), notifications);
        if (notifications == 0)
            return;
        const QVariantList &sent = server->received.constFirst();
        QCOMPARE(sent.at(0).toString(), u"Pelora Companion"_s);
        QCOMPARE(sent.at(3).toString(), TrayNoticeTexts::summary());
        QCOMPARE(sent.at(4).toString(), TrayNoticeTexts::body());
    }
};

QTEST_GUILESS_MAIN(TrayNoticeTest)
#include "test_tray_notice.moc"
