// The lookup window on a real X11 desktop with a window manager: it takes
// keyboard focus when shown, and clicking into another window hides it and
// abandons a running lookup while keeping the query for next time.
#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

#include <QApplication>
#include <QLineEdit>
#include <QQuickItem>
#include <QTest>

class LookupWindowDesktopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void takesFocusAndHidesWhenItLosesIt()
    {
        QLineEdit elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));

        LookupWebApp web;
        web.lookupAnswer = LookupWebApp::LookupAnswer::hang;
        PhraseLookupWindow lookup;
        lookup.model()->connect(web.client());
        for (int round = 0; round < 2; ++round) { // reopening shows the query as it was, focused again
            lookup.show();
            QVERIFY(QTest::qWaitForWindowActive(lookup.window()));
            QTRY_VERIFY(lookup.window()->rootObject()->property("inputFocused").toBool());
            if (round == 0) {
                for (char letter : QByteArray("kopi"))
                    QTest::keyClick(lookup.window(), letter);
            }
            QCOMPARE(lookup.model()->query(), QStringLiteral("kopi"));
            QTest::keyClick(lookup.window(), Qt::Key_Return);
            QTRY_COMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::lookingUp);

            elsewhere.activateWindow();
            QTRY_VERIFY(!lookup.isVisible());
            QCOMPARE(lookup.model()->phase(), PhraseLookupModel::Phase::idle);
        }
    }
};

QTEST_MAIN(LookupWindowDesktopTest)
#include "tst_lookup_window_desktop.moc"
