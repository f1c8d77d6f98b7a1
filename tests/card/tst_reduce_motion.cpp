// Reduce motion as the desktop portal tells it: known before the card first
// animates, however slowly the portal answers, and followed when it changes.
#include "card/card_panel.h"
#include "card/reduce_motion.h"
#include "card/view_test.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTimer>

namespace {
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settings = u"org.freedesktop.portal.Settings"_s;
const QString interfaceGroup = u"org.gnome.desktop.interface"_s;
const QString animationsKey = u"enable-animations"_s;
} // namespace

// The desktop portal's Settings, on its own bus connection, answering Read
// late, with the value wrapped twice as the portal does.
class SlowPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    bool animations = false;
    int delayMs = 600;

public Q_SLOTS:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        setDelayedReply(true);
        const QVariant inner = QVariant::fromValue(QDBusVariant(animations));
        QDBusMessage reply = group == interfaceGroup && key == animationsKey
            ? message().createReply(QVariant::fromValue(QDBusVariant(inner)))
            : message().createErrorReply(u"org.freedesktop.portal.Error.NotFound"_s, key);
        QTimer::singleShot(delayMs, this, [bus = connection(), reply] { bus.send(reply); });
        return {};
    }
};

class ReduceMotionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void thePortalIsHeardBeforeTheFirstAnimation()
    {
        qunsetenv("PELORA_REDUCE_MOTION");
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"portal"_s);
        SlowPortal portal;
        QVERIFY(bus.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.portal.Desktop"_s));

        CardPanel panel; // asks the portal, which answers only later
        QSignalSpy frames(panel.window(), &FloatingPanel::frameRequested);
        panel.show(samplePhrase());
        panel.expand(true);
        QCOMPARE(frames.last().at(1).toBool(), false); // not animated: the answer is not in yet
        QTRY_VERIFY(!ReduceMotion::instance().portalPending());
        panel.expand(false);
        QCOMPARE(frames.last().at(1).toBool(), false); // the desktop said no animations

        QDBusMessage changed = QDBusMessage::createSignal(portalPath, settings, u"SettingChanged"_s);
        changed << interfaceGroup << animationsKey << QVariant::fromValue(QDBusVariant(true));
        QVERIFY(bus.send(changed));
        QTRY_VERIFY(!ReduceMotion::isOn());
        panel.expand(true);
        QCOMPARE(frames.last().at(1).toBool(), true);
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<ReduceMotionTest>(argc, argv);
}
#include "tst_reduce_motion.moc"
