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
using Answer = LookupWebApp::LookupAnswer;
using Save = LookupWebApp::SaveAnswer;

class LookupViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LookupWebApp> web;
    std::unique_ptr<PhraseLookupWindow> lookup;

    PhraseLookupModel *model() const { return lookup->model(); }
    QQuickItem *view() const { return lookup->window()->rootObject(); }
    QQuickItem *item(const char *name) const { return visibleItem(view(), QLatin1String(name)); }
    QString text(const char *name) const { return item(name)->property("text").toString(); }
    // The section the view shows: "signedOutSection", "loadingSection", …
    QString section() const { return item("section")->property("item").value<QObject *>()->objectName(); }
    QStringList tree() const { return accessibleTree(lookup->window()); }
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
        connect(model(), &PhraseLookupModel::signIn, this, [&] { ++signIns; });
        QScreen *screen = QGuiApplication::screens().at(1);
        QCursor::setPos(screen->geometry().center());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup->window()) && lookup->window()->takesFocus());
        QCOMPARE(lookup->window()->geometry(), frame(screen->availableGeometry(), false));
        QCursor::setPos(QPoint(10, 10));
        lookup->reposition();
        QCOMPARE(lookup->window()->geometry(), frame(QGuiApplication::primaryScreen()->availableGeometry(), false));
        QVERIFY(!item("searchField") && section() == "signedOutSection");
        click("signInButton");
        QCOMPARE(signIns, 1);
        model()->connect(web->client()); // signing in brings the search field, with focus
        QTRY_VERIFY(inputFocused());
        QCOMPARE(section(), QStringLiteral("invitationSection"));
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
        QCOMPARE(section(), QStringLiteral("invitationSection"));
    }

    // Typing and Return look up and the window grows keeping its top; hiding
    // keeps the card; it copies by keyboard and button; Ctrl+S saves; Ctrl+N
    // starts over.
    void theKeyboardWalksThroughALookupAndASave()
    {
        showSignedIn();
        int saves = 0;
        connect(model(), &PhraseLookupModel::saved, this, [&] { ++saves; });
        const QRect before = lookup->window()->geometry();
        QCOMPARE(before.height(), 410);
        for (char letter : QByteArray("kopi"))
            QTest::keyClick(lookup->window(), letter);
        key(Qt::Key_Return);
        QTRY_COMPARE(model()->phase(), Phase::preview);
        QVERIFY(section() == "resultSection" && text("resultMalay") == web->card.malay);
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
        QVERIFY(section() == "loadingSection" && !item("searchField")->isEnabled());
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

    // A refused lookup's message and a card, both written by the web app: shown
    // as typed, read out the same, and their addresses never fetched.
    void remoteTextIsShownAsTyped_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("nodes"); // what a screen reader must find, %1 the text
        QTest::newRow("error") << Answer::refused << QStringList{"StaticText: Error: %1"};
        QTest::newRow("card") << Answer::card << QStringList{"StaticText: %1", "StaticText: Casual"};
    }
    void remoteTextIsShownAsTyped()
    {
        QFETCH(Answer, answer);
        QFETCH(QStringList, nodes);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QString hostile = hostileText(listener.serverPort());
        web->refusal = hostile;
        web->card = {hostile,
                     hostile,
                     "casual",
                     hostile,
                     {{hostile, hostile, hostile}},
                     {hostile},
                     {{hostile, hostile}},
                     {{hostile, hostile}},
                     std::nullopt};
        showSignedIn(answer);
        model()->setQuery(QStringLiteral("anything"));
        model()->lookup();
        QTRY_VERIFY(model()->phase() != Phase::lookingUp);
        verifyShownAsTyped(lookup->window(), listener, nodes);
    }

    // In each state every text is in the accessibility tree, the brand mark
    // and symbols are not, and the controls carry their labels.
    void everyTextIsReadable_data()
    {
        QTest::addColumn<bool>("signIn");
        QTest::addColumn<bool>("lookUp");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<Save>("save"); // saved, or hang for no save
        QTest::addColumn<QStringList>("labels");
        const QStringList header{"Button: Close phrase lookup", "StaticText: pelora", "StaticText: PHRASE LOOKUP"};
        QTest::newRow("signed out") << false << false << Answer::card << Save::hang
                                    << header
                + QStringList{"Button: Sign in to Pelora", "StaticText: Your Malay, a little closer."};
        QTest::newRow("empty") << true << false << Answer::card << Save::hang
                               << header
                + QStringList{"EditableText: Phrase or situation", "Button: Look up phrase",
                              "StaticText: What would you like to say?", "Button: At work: Want to grab a coffee?",
                              "StaticText: Look up"};
        QTest::newRow("loading") << true << true << Answer::hang << Save::hang
                                 << header + QStringList{"StaticText: Finding the words…", "Button: Cancel lookup"};
        QTest::newRow("result") << true << true << Answer::card << Save::hang
                                << header
                + QStringList{"StaticText: Kurang manis, ya.",
                              "StaticText: HERE’S HOW TO SAY IT",
                              "StaticText: kurang",
                              "StaticText: Ordering at the counter",
                              "StaticText: Tak nak manis.",
                              "Button: Copy phrase",
                              "Button: Discard",
                              "Button: Save to phrasebook"};
        QTest::newRow("error") << true << true << Answer::refused << Save::hang
                               << header + QStringList{"StaticText: Error: You have used today’s lookups."};
        QTest::newRow("saved") << true << true << Answer::card << Save::saved
                               << header + QStringList{"StaticText: In your phrasebook", "Button: New phrase"};
    }
    void everyTextIsReadable()
    {
        QFETCH(bool, signIn);
        QFETCH(bool, lookUp);
        QFETCH(Answer, answer);
        QFETCH(Save, save);
        QFETCH(QStringList, labels);
        if (signIn) {
            showSignedIn(answer);
            if (lookUp) {
                model()->setQuery(QStringLiteral("less sugar"));
                model()->lookup();
            }
            QTRY_VERIFY(answer == Answer::hang || model()->phase() != Phase::lookingUp);
            web->saveAnswer = save;
            if (save == Save::saved) {
                model()->save();
                QTRY_COMPARE(model()->phase(), Phase::saved);
            }
        } else {
            lookup->show();
            QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
        }
        verifyReadable(lookup->window());
        for (const QString &label : labels)
            QVERIFY2(tree().contains(label), qPrintable(label + " missing from " + tree().join(" | ")));
    }

    // A chip fills the field and focuses it; it does not look up.
    void aChipFillsTheQuery_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("At lunch") << "At lunch"
                                  << "A bit less spicy";
        QTest::newRow("At work") << "At work"
                                 << "Want to grab a coffee?";
        QTest::newRow("Out & about") << "Out & about"
                                     << "Can I pay by card?";
    }
    void aChipFillsTheQuery()
    {
        QFETCH(QString, chip);
        QFETCH(QString, phrase);
        showSignedIn();
        lookup->window()->contentItem()->forceActiveFocus(); // away from the field
        QQuickItem *button = visibleItem(view(), "chip:" + chip);
        QVERIFY(button);
        QCOMPARE(button->property("tip").toString(), "Use “" + phrase + "” as your lookup");
        clickItem(lookup->window(), button);
        QCOMPARE(model()->query(), phrase);
        QCOMPARE(text("searchField"), phrase);
        QTRY_VERIFY(inputFocused());
        QTest::qWait(100);
        QVERIFY(model()->phase() == Phase::idle && web->lookups() == 0);
    }

    // "Copied" until the phase changes; after a save or an uncertain one the
    // footer shows where the phrase is and offers a new one.
    void theFooterAfterCopyingAndSaving_data()
    {
        QTest::addColumn<Save>("save");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QString>("leading"); // "Role: name" of the footer's leading part
        QTest::newRow("saved") << Save::saved << Phase::saved << "StaticText: In your phrasebook";
        QTest::newRow("uncertain") << Save::failure << Phase::saveUncertain << "Button: Check my phrasebook";
    }
    void theFooterAfterCopyingAndSaving()
    {
        QFETCH(Save, save);
        QFETCH(Phase, phase);
        QFETCH(QString, leading);
        int libraryOpened = 0;
        connect(model(), &PhraseLookupModel::openLibrary, this, [&] { ++libraryOpened; });
        web->saveAnswer = Save::hang;
        showSignedIn();
        model()->setQuery(QStringLiteral("less sugar"));
        model()->lookup();
        QTRY_COMPARE(model()->phase(), Phase::preview);
        click("copyButton");
        QCOMPARE(text("copyLabel"), QStringLiteral("Copied"));
        QVERIFY(tree().contains("Button: Copied"));
        model()->save(); // the phase changes: the label goes back
        QCOMPARE(text("copyLabel"), QStringLiteral("Copy phrase"));
        QVERIFY(item("savingLabel"));
        web->saveAnswer = save;
        model()->connect(web->client()); // a fresh start: the hanging save is dropped
        model()->setQuery(QStringLiteral("less sugar"));
        model()->lookup();
        QTRY_COMPARE(model()->phase(), Phase::preview);
        model()->save();
        QTRY_COMPARE(model()->phase(), phase);
        QVERIFY2(tree().contains(leading) && tree().contains("Button: New phrase"), qPrintable(tree().join(" | ")));
        QVERIFY(!item("copyButton") && !item("saveButton"));
        if (phase == Phase::saveUncertain)
            click("checkLibraryButton");
        QCOMPARE(libraryOpened, phase == Phase::saveUncertain ? 1 : 0);
        click("newPhraseButton");
        QVERIFY(model()->phase() == Phase::idle && model()->query().isEmpty());
        QTRY_VERIFY(inputFocused());
    }

    // Without an X server (offscreen here, like a pure Wayland session) the hot
    // key grabs nothing and start() says so; the preference still toggles.
    void theHotKeyFailsHonestlyWithoutX11()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
        LookupHotKey hotKey(Preferences::standard());
        QVERIFY(hotKey.enabled() && !hotKey.start() && !hotKey.isRegistered());
        hotKey.toggle();
        QCOMPARE(Preferences::standard().value(LookupHotKey::preferenceKey), QVariant(false));
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<LookupViewTest>(argc, argv);
}
#include "tst_lookup_view.moc"
