// The lookup window and its QML view against a scripted web app on 127.0.0.1.
#include "card/view_test.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/lookup_placement.h"
#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

#include <QClipboard>
#include <QCursor>
#include <QScreen>

using LookupPlacement::frame;
using LookupPlacement::resized;
using Phase = PhraseLookupModel::Phase;

class LookupViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupWebApp> web;
    std::unique_ptr<PhraseLookupWindow> lookup;

    PhraseLookupModel *model() const { return lookup->model(); }
    QQuickItem *view() const { return lookup->window()->rootObject(); }
    QQuickItem *item(const char *name) const { return visibleItem(view(), QLatin1String(name)); }
    QString text(const char *name) const { return item(name)->property("text").toString(); }
    QString section() const { return view()->property("section").toString(); }
    bool inputFocused() const { return view()->property("inputFocused").toBool(); }
    void click(const char *name) { clickItem(lookup->window(), item(name)); }
    void key(int code, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(lookup->window(), Qt::Key(code), mods); }
    void showSignedIn(LookupWebApp::LookupAnswer answer = LookupWebApp::LookupAnswer::card)
    {
        web->lookupAnswer = answer;
        model()->connect(web->client());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowActive(lookup->window()));
        QTRY_VERIFY(inputFocused());
    }

private Q_SLOTS:
    void init()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        QCursor::setPos(QPoint(100, 100));
        web = std::make_unique<LookupWebApp>();
        lookup = std::make_unique<PhraseLookupWindow>();
    }
    void cleanup() { lookup.reset(); } // before the web app it talks to

    // High up and centred, clamped to small areas; grown and shrunk keeping the
    // top edge unless near the bottom. The laptop's area is below a 25-pixel top bar.
    void placementArithmetic()
    {
        const QRect laptop(0, 25, 1440, 875), monitor(1440, 0, 1920, 1050), plain = frame(laptop, false);
        QCOMPARE(plain, QRect(390, 25 + 156, 660, 410)); // 24 + 0.16 × 827 = 156.32 below the top
        const QRect grown = resized(laptop, plain, true);
        QCOMPARE(grown, QRect(plain.topLeft(), QSize(660, 680)));
        QCOMPARE(frame(laptop, true), grown);
        QCOMPARE(resized(laptop, grown, false), plain);
        QCOMPARE(resized(laptop, plain, false), plain);
        QCOMPARE(frame(monitor, false).left(), 1440 + 24 + (1872 - 660) / 2);
        QCOMPARE(resized(monitor, frame(monitor, false), true).left(), frame(monitor, false).left());
        const QRect narrow = frame(QRect(0, 0, 600, 900), false);
        QCOMPARE(QPoint(narrow.left(), narrow.width()), QPoint(24, 552));
        // 500 high: the area is 452; the card window is cut to it and pushed up.
        const QRect shortArea(100, 50, 1200, 500), cut = frame(shortArea, true);
        QCOMPARE(QPoint(cut.top(), cut.height()), QPoint(50 + 24, 452));
        QVERIFY(frame(shortArea, false).height() == 410 && frame(shortArea, false).bottom() < 50 + 500 - 24);
        QVERIFY(!frame(QRect(0, 0, 40, 40), true).isEmpty());
        // Near the bottom it moves up just enough (area 24 … 776).
        QCOMPARE(resized(QRect(0, 0, 1280, 800), QRect(300, 300, 660, 410), true), QRect(300, 776 - 680, 660, 680));
    }

    // Made on first show, on the screen under the pointer and following it when
    // placed again; signed out, it invites to sign in.
    void firstShowSignedOut()
    {
        lookup->reposition(); // nothing to place yet
        QVERIFY(!lookup->window());
        int signIns = 0;
        model()->onSignIn = [&] { ++signIns; };
        QScreen *screen = QGuiApplication::screens().at(1);
        QCursor::setPos(screen->geometry().center());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup->window()) && lookup->window()->takesFocus());
        QCOMPARE(lookup->window()->geometry(), frame(screen->availableGeometry(), false));
        QCursor::setPos(QPoint(10, 10));
        lookup->reposition();
        QCOMPARE(lookup->window()->geometry(), frame(QGuiApplication::primaryScreen()->availableGeometry(), false));
        QVERIFY(!item("searchField") && section() == "signedOut");
        click("signInButton");
        QCOMPARE(signIns, 1);
        model()->connect(web->client()); // signing in brings the search field, with focus
        QTRY_VERIFY(inputFocused());
        QCOMPARE(section(), QStringLiteral("invitation"));
    }

    // 500 UTF-16 units after trimming may be looked up, 501 may not, by button
    // or Return; a refused lookup shows its error above the invitation.
    void theLengthLimitAndErrors()
    {
        showSignedIn(LookupWebApp::LookupAnswer::refused);
        QVERIFY(!item("lookupButton")->isEnabled()); // empty query
        model()->setQuery(QStringLiteral("  ") + QString(500, QLatin1Char('a')) + QStringLiteral("  "));
        QVERIFY(item("lookupButton")->isEnabled());
        model()->setQuery(QString(499, QLatin1Char('a')) + QStringLiteral("😀")); // 499 + 2 = 501
        QVERIFY(text("hint").contains("500") && !item("lookupButton")->isEnabled());
        key(Qt::Key_Return); // the model refuses it too
        QTest::qWait(100);
        QCOMPARE(web->lookups(), 0);

        model()->setQuery(QStringLiteral("anything"));
        key(Qt::Key_Return);
        QTRY_VERIFY(model()->hasError());
        QCOMPARE(text("errorText"), QStringLiteral("You have used today’s lookups."));
        QCOMPARE(section(), QStringLiteral("invitation"));
    }

    // Typing and Return look up and the window grows keeping its top; hiding
    // keeps the card; it copies by keyboard and button; Ctrl+S saves; Ctrl+N
    // starts over.
    void theKeyboardWalksThroughALookupAndASave()
    {
        showSignedIn();
        int saves = 0;
        model()->onSaved = [&] { ++saves; };
        const QRect before = lookup->window()->geometry();
        QCOMPARE(before.height(), 410);
        for (char letter : QByteArray("kopi"))
            QTest::keyClick(lookup->window(), letter);
        key(Qt::Key_Return);
        QTRY_COMPARE(model()->phase(), Phase::preview);
        QVERIFY(section() == "result" && text("resultMalay") == web->card.malay);
        QTRY_COMPARE(lookup->window()->geometry(), QRect(before.topLeft(), QSize(before.width(), 680)));
        QTRY_VERIFY(inputFocused()); // back to the field once not busy
        lookup->hide();
        lookup->show(); // the card is kept, at its height
        QVERIFY(model()->phase() == Phase::preview && lookup->window()->height() == 680);
        const std::function<void()> copiers[] = {[this] { key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); },
                                                 [this] { click("copyButton"); }};
        for (const auto &copy : copiers) {
            QGuiApplication::clipboard()->clear();
            copy();
            QCOMPARE(QGuiApplication::clipboard()->text(), web->card.malay);
        }
        key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(model()->phase(), Phase::saved);
        QCOMPARE(saves, 1);
        key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(model()->phase() == Phase::idle && model()->query().isEmpty() && !model()->hasPhrase());
        QCOMPARE(text("searchField"), QString()); // the typed text went too
        QTRY_COMPARE(lookup->window()->geometry(), before);
    }

    // The cancel button stops a running lookup; Escape and the close button hide
    // the window and stop it too, keeping the query.
    void aRunningLookupIsCancelledByCancelEscapeOrClose()
    {
        showSignedIn(LookupWebApp::LookupAnswer::hang);
        model()->setQuery(QStringLiteral("where is the train"));
        model()->lookup();
        QVERIFY(section() == "loading" && !item("searchField")->isEnabled());
        click("cancelButton");
        QCOMPARE(model()->phase(), Phase::idle);
        QTRY_VERIFY(inputFocused());
        const std::function<void()> closers[] = {[this] { key(Qt::Key_Escape); }, [this] { click("closeButton"); }};
        for (const auto &close : closers) {
            lookup->show();
            QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
            model()->lookup();
            close();
            QVERIFY(!lookup->isVisible() && model()->phase() == Phase::idle);
            QCOMPARE(model()->query(), QStringLiteral("where is the train"));
        }
    }

    // Without an X server (offscreen here, like a pure Wayland session) the hot
    // key grabs nothing and start() says so; the preference still toggles.
    void theHotKeyFailsHonestlyWithoutX11()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
        LookupHotKey hotKey;
        QVERIFY(LookupHotKey::enabled() && !hotKey.start() && !hotKey.isRegistered());
        hotKey.toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
    }
};

int main(int argc, char **argv) { return runOnTwoScreens<LookupViewTest>(argc, argv); }
#include "tst_lookup_view.moc"
