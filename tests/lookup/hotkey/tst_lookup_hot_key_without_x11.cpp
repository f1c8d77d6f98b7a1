#include "lookup/lookup_hot_key.h"

#include <QGuiApplication>
#include <QTest>

// Without an X server (here the offscreen platform, like a pure Wayland
// session) there is nothing to grab: start() says so instead of pretending.
class LookupHotKeyWithoutX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startFailsHonestly()
    {
        QVERIFY(QGuiApplication::platformName() != u"xcb");
        LookupHotKey hotKey;
        int presses = 0;
        hotKey.onPress = [&] { ++presses; };
        QVERIFY(LookupHotKey::enabled());
        QVERIFY(!hotKey.start());
        QVERIFY(!hotKey.isRegistered());
        hotKey.toggle(); // off: stored, still nothing registered
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
        QVERIFY(!hotKey.isRegistered());
        hotKey.stop();
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(LookupHotKeyWithoutX11Test)
#include "tst_lookup_hot_key_without_x11.moc"
