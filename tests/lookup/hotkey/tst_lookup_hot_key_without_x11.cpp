// No X server (offscreen here, like a pure Wayland session): nothing to grab,
// and start() says so.
#include "lookup/lookup_hot_key.h"

#include <QGuiApplication>
#include <QTest>

class LookupHotKeyWithoutX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startFailsHonestly()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
        LookupHotKey hotKey;
        QVERIFY(LookupHotKey::enabled() && !hotKey.start() && !hotKey.isRegistered());
        hotKey.toggle(); // the preference is still the learner's to change
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
    }
};

QTEST_MAIN(LookupHotKeyWithoutX11Test)
#include "tst_lookup_hot_key_without_x11.moc"
