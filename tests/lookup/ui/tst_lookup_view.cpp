// The lookup window and its QML view against a scripted web app on 127.0.0.1.
#include "card/view_test.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/lookup_placement.h"
#include "lookup/phrase_lookup_window.h"
#include "lookup_web_app.h"

#include <QClipboard>
#include <QCursor>
#include <QScreen>
#include <QSignalSpy>

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
    QQuickItem *item(const QString &name) const { return visibleItem(view(), name); }
    QString text(const QString &name) const { return item(name)->property("text").toString(); }
    // The section the view shows: "signedOutSection", "loadingSection", …
    QString section() const { return item(u"section"_s)->property("item").value<QObject *>()->objectName(); }
    QStringList tree() const { return accessibleTree(lookup->window()); }
    bool inputFocused() const { return view()->property("inputFocused").toBool(); }
    void click(const QString &name) { clickItem(lookup->window(), item(name)); }
    void key(int code, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(lookup->window(), Qt::Key(code), mods); }
    void showSignedIn(Answer answer = Answer::card)
    {
        web->lookupAnswer = answer;
        model()->connect(web->client());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowActive(lookup->window()));
        QTRY_VERIFY(inputFocused());
    }
    void lookUpUntil(Phase phase)
    {
        model()->setQuery(u"less sugar"_s);
        model()->lookup();
        QTRY_COMPARE(model()->phase(), phase);
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

    // First placed high up and centred, clamped to small areas; grown and
    // shrunk keeping the top edge unless near the bottom. The laptop's area is
    // below a 25-pixel top bar: 24 + 0.16 × 827 = 156.32 below its top.
    void placement_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("current"); // null for the first placement
        QTest::addColumn<bool>("withCard");
        QTest::addColumn<QRect>("placed");
        const QRect laptop(0, 25, 1440, 875);
        QTest::newRow("first, below a top bar") << laptop << QRect() << false << QRect(390, 181, 660, 410);
        QTest::newRow("first, with a card") << laptop << QRect() << true << QRect(390, 181, 660, 680);
        QTest::newRow("first, a narrow area") << QRect(0, 0, 600, 900) << QRect() << false << QRect(24, 160, 552, 410);
        QTest::newRow("first, a card cut to a short area")
            << QRect(100, 50, 1200, 500) << QRect() << true << QRect(370, 74, 660, 452);
        QTest::newRow("first, smaller than the insets")
            << QRect(0, 0, 40, 40) << QRect() << true << QRect(20, 15, 1, 1);
        QTest::newRow("grown, keeping its top")
            << laptop << QRect(390, 181, 660, 410) << true << QRect(390, 181, 660, 680);
        QTest::newRow("shrunk, keeping its top")
            << laptop << QRect(390, 181, 660, 680) << false << QRect(390, 181, 660, 410);
        QTest::newRow("grown near the bottom, moved up just enough")
            << QRect(0, 0, 1280, 800) << QRect(300, 300, 660, 410) << true << QRect(300, 96, 660, 680);
    }
    void placement()
    {
        QFETCH(QRect, area);
        QFETCH(QRect, current);
        QFETCH(bool, withCard);
        QFETCH(QRect, placed);
        QCOMPARE(current.isNull() ? frame(area, withCard) : resized(area, current, withCard), placed);
    }

    // Made on first show, on the screen under the pointer and following it when
    // placed again; signed out, it invites to sign in.
    void firstShowSignedOut()
    {
        lookup->reposition(); // nothing to place yet
        QVERIFY(!lookup->window());
        QSignalSpy signIns(model(), &PhraseLookupModel::signIn);
        QScreen *monitor = QGuiApplication::screens().at(1);
        QCursor::setPos(monitor->geometry().center());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
        QCOMPARE(lookup->window()->takesFocus(), true);
        QCOMPARE(lookup->window()->geometry(), frame(monitor->availableGeometry(), false));
        QCursor::setPos(QPoint(10, 10));
        lookup->reposition();
        QCOMPARE(lookup->window()->geometry(), frame(QGuiApplication::primaryScreen()->availableGeometry(), false));
        QVERIFY(!item(u"searchField"_s));
        QCOMPARE(section(), u"signedOutSection"_s);
        click(u"signInButton"_s);
        QCOMPARE(signIns.size(), 1);
        model()->connect(web->client()); // signing in brings the search field, with focus
        QTRY_VERIFY(inputFocused());
        QCOMPARE(section(), u"invitationSection"_s);
    }

    // 500 UTF-16 units after trimming may be looked up, 501 may not, neither
    // by the button nor by Return.
    void theLengthLimit_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("tooLong"); // the hint asks for less
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("500 between spaces") << u"  "_s + QString(500, u'a') + u"  "_s << true << false;
        QTest::newRow("499 and an emoji of 2") << QString(499, u'a') + u"😀"_s << false << true;
    }
    void theLengthLimit()
    {
        QFETCH(QString, query);
        QFETCH(bool, allowed);
        QFETCH(bool, tooLong);
        showSignedIn();
        model()->setQuery(query);
        QCOMPARE(item(u"lookupButton"_s)->isEnabled(), allowed);
        QCOMPARE(text(u"hint"_s).contains(u"500"_s), tooLong);
        key(Qt::Key_Return);
        QTest::qWait(100);
        QTRY_COMPARE(web->lookups(), allowed ? 1 : 0);
    }

    // Typing and Return look up and the window grows keeping its top; hiding
    // keeps the card; it copies by keyboard and button; Ctrl+S saves; Ctrl+N
    // starts over.
    void theKeyboardWalksThroughALookupAndASave()
    {
        showSignedIn();
        QSignalSpy saves(model(), &PhraseLookupModel::saved);
        const QRect before = lookup->window()->geometry();
        QCOMPARE(before.height(), 410);
        for (char letter : "kopi"_ba)
            QTest::keyClick(lookup->window(), letter);
        key(Qt::Key_Return);
        QTRY_COMPARE(model()->phase(), Phase::preview);
        QCOMPARE(section(), u"resultSection"_s);
        QCOMPARE(text(u"resultMalay"_s), web->card.malay);
        QTRY_COMPARE(lookup->window()->geometry(), QRect(before.topLeft(), QSize(before.width(), 680)));
        QTRY_VERIFY(inputFocused()); // back to the field once not busy
        lookup->hide();
        lookup->show(); // the card is kept, at its height
        QCOMPARE(model()->phase(), Phase::preview);
        QCOMPARE(lookup->window()->height(), 680);
        QGuiApplication::clipboard()->clear();
        key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), web->card.malay);
        QGuiApplication::clipboard()->clear();
        click(u"copyButton"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), web->card.malay);
        key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(model()->phase(), Phase::saved);
        QCOMPARE(saves.size(), 1);
        key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QString());
        QCOMPARE(model()->hasPhrase(), false);
        QCOMPARE(text(u"searchField"_s), QString()); // the typed text went too
        QTRY_COMPARE(lookup->window()->geometry(), before);
    }

    // The cancel button stops a running lookup; Escape and the close button
    // hide the window and stop it too. The query is kept.
    void aRunningLookupStops_data()
    {
        QTest::addColumn<QString>("control"); // the button to click, or empty for Escape
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("cancel button") << u"cancelButton"_s << true;
        QTest::newRow("Escape") << QString() << false;
        QTest::newRow("close button") << u"closeButton"_s << false;
    }
    void aRunningLookupStops()
    {
        QFETCH(QString, control);
        QFETCH(bool, staysOpen);
        showSignedIn(Answer::hang);
        model()->setQuery(u"where is the train"_s);
        model()->lookup();
        QCOMPARE(section(), u"loadingSection"_s);
        QCOMPARE(item(u"searchField"_s)->isEnabled(), false);
        if (control.isEmpty())
            key(Qt::Key_Escape);
        else
            click(control);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(lookup->isVisible(), staysOpen);
        QCOMPARE(model()->query(), u"where is the train"_s);
    }

    // A refused lookup's message and a card, both written by the web app: shown
    // as typed, read out the same, and their addresses never fetched.
    void remoteTextIsShownAsTyped_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("nodes"); // what a screen reader must find, %1 the text
        QTest::newRow("error") << Answer::refused << QStringList{u"StaticText: Error: %1"_s};
        QTest::newRow("card") << Answer::card << QStringList{u"StaticText: %1"_s, u"StaticText: Casual"_s};
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
                     u"casual"_s,
                     hostile,
                     {{hostile, hostile, hostile}},
                     {hostile},
                     {{hostile, hostile}},
                     {{hostile, hostile}},
                     std::nullopt};
        showSignedIn(answer);
        model()->setQuery(u"anything"_s);
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
        QTest::addColumn<QStringList>("labels");
        const QStringList header{u"Button: Close phrase lookup"_s, u"StaticText: pelora"_s,
                                 u"StaticText: PHRASE LOOKUP"_s};
        QTest::newRow("signed out") << false << false << Answer::card
                                    << header
                + QStringList{u"Button: Sign in to Pelora"_s, u"StaticText: Your Malay, a little closer."_s};
        QTest::newRow("empty") << true << false << Answer::card
                               << header
                + QStringList{u"EditableText: Phrase or situation"_s, u"Button: Look up phrase"_s,
                              u"StaticText: What would you like to say?"_s,
                              u"Button: At work: Want to grab a coffee?"_s, u"StaticText: Look up"_s};
        QTest::newRow("loading") << true << true << Answer::hang
                                 << header
                + QStringList{u"StaticText: Finding the words…"_s, u"Button: Cancel lookup"_s};
        QTest::newRow("result") << true << true << Answer::card
                                << header
                + QStringList{u"StaticText: Kurang manis, ya."_s,
                              u"StaticText: HERE’S HOW TO SAY IT"_s,
                              u"StaticText: kurang"_s,
                              u"StaticText: Ordering at the counter"_s,
                              u"StaticText: Tak nak manis."_s,
                              u"Button: Copy phrase"_s,
                              u"Button: Discard"_s,
                              u"Button: Save to phrasebook"_s};
        QTest::newRow("error") << true << true << Answer::refused
                               << header + QStringList{u"StaticText: Error: You have used today’s lookups."_s};
    }
    void everyTextIsReadable()
    {
        QFETCH(bool, signIn);
        QFETCH(bool, lookUp);
        QFETCH(Answer, answer);
        QFETCH(QStringList, labels);
        if (signIn) {
            showSignedIn(answer);
        } else {
            lookup->show();
            QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
        }
        if (lookUp) {
            model()->setQuery(u"less sugar"_s);
            model()->lookup();
            QTRY_VERIFY(answer == Answer::hang || model()->phase() != Phase::lookingUp);
        }
        verifyReadable(lookup->window());
        QCOMPARE(missingFrom(tree(), labels), QStringList());
    }

    // A chip fills the field and focuses it; it does not look up.
    void aChipFillsTheQuery()
    {
        showSignedIn();
        lookup->window()->contentItem()->forceActiveFocus(); // away from the field
        click(u"chip:At work"_s);
        QCOMPARE(model()->query(), u"Want to grab a coffee?"_s);
        QCOMPARE(text(u"searchField"_s), u"Want to grab a coffee?"_s);
        QTRY_VERIFY(inputFocused());
        QTest::qWait(100);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(web->lookups(), 0);
    }

    // The copy button says "Copied" until the phase changes.
    void copiedUntilThePhaseChanges()
    {
        web->saveAnswer = Save::hang;
        showSignedIn();
        lookUpUntil(Phase::preview);
        click(u"copyButton"_s);
        QCOMPARE(text(u"copyLabel"_s), u"Copied"_s);
        QVERIFY(tree().contains(u"Button: Copied"_s));
        model()->save();
        QCOMPARE(text(u"copyLabel"_s), u"Copy phrase"_s);
        QVERIFY(item(u"savingLabel"_s));
    }

    // After a save, or one that may not have happened, the footer says where
    // the phrase is and offers a new one.
    void theFooterAfterSaving_data()
    {
        QTest::addColumn<Save>("save");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QString>("leading"); // "Role: name" of the footer's leading part
        QTest::addColumn<bool>("opensLibrary");
        QTest::newRow("saved") << Save::saved << Phase::saved << u"StaticText: In your phrasebook"_s << false;
        QTest::newRow("uncertain") << Save::failure << Phase::saveUncertain << u"Button: Check my phrasebook"_s << true;
    }
    void theFooterAfterSaving()
    {
        QFETCH(Save, save);
        QFETCH(Phase, phase);
        QFETCH(QString, leading);
        QFETCH(bool, opensLibrary);
        QSignalSpy libraryOpened(model(), &PhraseLookupModel::openLibrary);
        web->saveAnswer = save;
        showSignedIn();
        lookUpUntil(Phase::preview);
        model()->save();
        QTRY_COMPARE(model()->phase(), phase);
        QCOMPARE(missingFrom(tree(), {leading, u"Button: New phrase"_s}), QStringList());
        QVERIFY(!item(u"copyButton"_s));
        QVERIFY(!item(u"saveButton"_s));
        if (opensLibrary)
            click(u"checkLibraryButton"_s);
        QCOMPARE(libraryOpened.size(), opensLibrary ? 1 : 0);
        click(u"newPhraseButton"_s);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QString());
        QTRY_VERIFY(inputFocused());
    }

    // Without an X server (offscreen here, like a pure Wayland session) the hot
    // key grabs nothing and start() says so.
    void theHotKeyFailsHonestlyWithoutX11()
    {
        QCOMPARE(QGuiApplication::platformName(), u"offscreen"_s);
        LookupHotKey hotKey(Preferences::standard());
        QCOMPARE(hotKey.enabled(), true);
        QCOMPARE(hotKey.start(), false);
        QCOMPARE(hotKey.isRegistered(), false);
    }
};

int main(int argc, char **argv)
{
    return runOnTwoScreens<LookupViewTest>(argc, argv);
}
#include "tst_lookup_view.moc"
