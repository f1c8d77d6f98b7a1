// The lookup window and its QML view against a scripted web app on 127.0.0.1.
#include "lookup/phrase_lookup_window.h"
#include "lookup/lookup_placement.h"
#include "lookup_web_app.h"

#include "account/web_address.h"
#include "card/ink.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QScreen>
#include <QFile>
#include <QTemporaryDir>
#include <QQuickItem>
#include <QTest>

using Phase = PhraseLookupModel::Phase;

class LookupViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LookupWebApp> web;
    std::unique_ptr<PhraseLookupWindow> lookup;

    PhraseLookupModel *model() const { return lookup->model(); }
    QQuickItem *view() const { return lookup->window()->rootObject(); }
    QString viewText(const char *property) const { return view()->property(property).toString(); }

    // Searches child items: a Repeater's delegates are not QObject children.
    QQuickItem *visibleItem(const QString &name, QQuickItem *from = nullptr) const
    {
        from = from ? from : view();
        for (QQuickItem *child : from->childItems()) {
            if (!child->isVisible())
                continue;
            if (child->objectName() == name)
                return child;
            if (QQuickItem *found = visibleItem(name, child))
                return found;
        }
        return nullptr;
    }

    static QString accessibleName(QQuickItem *item)
    {
        QAccessibleInterface *accessible = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
        return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
    }

    void click(QQuickItem *item)
    {
        QVERIFY(item);
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(lookup->window(), Qt::LeftButton, {}, centre.toPoint());
    }

    void key(int keyCode, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(lookup->window(), Qt::Key(keyCode), modifiers);
    }

    QQuickItem *searchField() const { return visibleItem(QStringLiteral("searchField")); }

    // Shows the window signed in, with its search field focused.
    void showSignedIn()
    {
        model()->connect(web->client());
        lookup->show();
        QVERIFY(QTest::qWaitForWindowActive(lookup->window()));
        QTRY_VERIFY(view()->property("inputFocused").toBool());
    }

    void reachPreview()
    {
        model()->setQuery(QStringLiteral("less sugar"));
        model()->lookup();
        QTRY_COMPARE(model()->phase(), Phase::preview);
    }

private Q_SLOTS:
    void init()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        QCursor::setPos(QPoint(100, 100));
        web = std::make_unique<LookupWebApp>();
        lookup = std::make_unique<PhraseLookupWindow>();
    }

    void cleanup()
    {
        lookup.reset();
        web.reset();
    }

    void isMadeOnFirstShowOnTheScreenUnderThePointer()
    {
        lookup->reposition(); // nothing to place yet
        QVERIFY(!lookup->window());
        QScreen *monitor = QGuiApplication::screens().at(1);
        QCursor::setPos(monitor->geometry().center());
        lookup->show();
        QVERIFY(lookup->isVisible());
        QVERIFY(lookup->window()->takesFocus());
        QCOMPARE(lookup->window()->geometry(), LookupPlacement::frame(monitor->availableGeometry(), false));

        // Moved to the laptop while open: re-placing follows the pointer.
        QCursor::setPos(QPoint(10, 10));
        lookup->reposition();
        QCOMPARE(lookup->window()->geometry(),
                 LookupPlacement::frame(QGuiApplication::primaryScreen()->availableGeometry(), false));

        // Outside every screen: the primary screen.
        lookup->hide();
        QCursor::setPos(QPoint(-4000, -4000));
        lookup->show();
        QCOMPARE(lookup->window()->geometry(),
                 LookupPlacement::frame(QGuiApplication::primaryScreen()->availableGeometry(), false));
    }

    void signedOutShowsTheInvitationToSignInAndTheBareDomain()
    {
        int signIns = 0;
        model()->onSignIn = [&] { ++signIns; };
        lookup->show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
        QVERIFY(!searchField());
        QCOMPARE(viewText("section"), QStringLiteral("signedOut"));
        QCOMPARE(visibleItem(QStringLiteral("domainNote"))->property("text").toString(), WebAddress::bareDomain());
        QVERIFY(!WebAddress::bareDomain().startsWith(QLatin1String("www.")));
        QCOMPARE(viewText("footerTrailing"), QStringLiteral("none"));
        click(visibleItem(QStringLiteral("signInButton")));
        QCOMPARE(signIns, 1);

        // Signing in brings the search field, with focus.
        model()->connect(web->client());
        QTRY_VERIFY(view()->property("inputFocused").toBool());
        QCOMPARE(viewText("section"), QStringLiteral("invitation"));
        QVERIFY(visibleItem(QStringLiteral("lookupHint")));
    }

    void aChipFillsTheQueryWithoutLookingUp()
    {
        showSignedIn();
        searchField()->setFocus(false);
        QVERIFY(!view()->property("inputFocused").toBool());
        QQuickItem *chip = visibleItem(QStringLiteral("chip:At work"));
        QCOMPARE(accessibleName(chip), QStringLiteral("At work: Want to grab a coffee?"));
        click(chip);
        QCOMPARE(model()->query(), QStringLiteral("Want to grab a coffee?"));
        QCOMPARE(searchField()->property("text").toString(), QStringLiteral("Want to grab a coffee?"));
        QTRY_VERIFY(view()->property("inputFocused").toBool());
        QTest::qWait(100);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(web->lookups(), 0);
    }

    void theHintTurnsIntoAWarningAbove500Units()
    {
        showSignedIn();
        QQuickItem *hint = visibleItem(QStringLiteral("hint"));
        QQuickItem *button = visibleItem(QStringLiteral("lookupButton"));
        QVERIFY(!button->isEnabled()); // empty query

        model()->setQuery(QStringLiteral("  ") + QString(500, QLatin1Char('a')) + QStringLiteral("  "));
        QCOMPARE(hint->property("text").toString(),
                 QStringLiteral("An English phrase, Malay words, or a moment you have in mind."));
        QCOMPARE(hint->property("color").value<QColor>().rgb(), Ink::secondary().rgb());
        QVERIFY(button->isEnabled());

        // An emoji outside the basic plane counts as two units: 499 + 2 = 501.
        model()->setQuery(QString(499, QLatin1Char('a')) + QStringLiteral("😀"));
        QCOMPARE(hint->property("text").toString(),
                 QStringLiteral("A little shorter, please. Keep it under 500 characters."));
        QCOMPARE(hint->property("color").value<QColor>().rgb(), QColor::fromRgbF(0.67f, 0.34f, 0.24f).rgb());
        QVERIFY(!button->isEnabled());
        key(Qt::Key_Return);
        QTest::qWait(100);
        QCOMPARE(web->lookups(), 0);
    }

    void typingAndReturnLookUpAndTheWindowGrowsKeepingItsTop()
    {
        showSignedIn();
        const QRect before = lookup->window()->geometry();
        QCOMPARE(before.height(), 410);
        for (char letter : QByteArray("less sugar"))
            QTest::keyClick(lookup->window(), letter);
        QCOMPARE(model()->query(), QStringLiteral("less sugar"));
        key(Qt::Key_Return);
        QTRY_COMPARE(model()->phase(), Phase::preview);
        QCOMPARE(viewText("section"), QStringLiteral("result"));
        QCOMPARE(visibleItem(QStringLiteral("resultMalay"))->property("text").toString(), web->card.malay);
        QVERIFY(visibleItem(QStringLiteral("relatedPhrases")));
        QTRY_COMPARE(lookup->window()->geometry().height(), 680);
        QCOMPARE(lookup->window()->geometry().top(), before.top());
        QCOMPARE(lookup->window()->geometry().left(), before.left());
        QTRY_VERIFY(view()->property("inputFocused").toBool()); // back to the field once not busy

        click(visibleItem(QStringLiteral("discardButton")));
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QStringLiteral("less sugar"));
        QTRY_COMPARE(lookup->window()->geometry(), before);
    }

    void aRunningLookupIsCancelledByCancelEscapeOrClose()
    {
        showSignedIn();
        web->lookupAnswer = LookupWebApp::LookupAnswer::hang;
        model()->setQuery(QStringLiteral("where is the train"));
        model()->lookup();
        QCOMPARE(viewText("section"), QStringLiteral("loading"));
        QCOMPARE(viewText("footerTrailing"), QStringLiteral("none"));
        QVERIFY(!searchField()->isEnabled());
        click(visibleItem(QStringLiteral("cancelButton")));
        QCOMPARE(model()->phase(), Phase::idle);
        QVERIFY(searchField()->isEnabled());
        QTRY_VERIFY(view()->property("inputFocused").toBool());

        // Escape and the close button hide the window and cancel too, keeping the query.
        model()->lookup();
        key(Qt::Key_Escape);
        QVERIFY(!lookup->isVisible());
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QStringLiteral("where is the train"));
        lookup->show();
        QVERIFY(QTest::qWaitForWindowExposed(lookup->window()));
        model()->lookup();
        QCOMPARE(model()->phase(), Phase::lookingUp);
        click(visibleItem(QStringLiteral("closeButton")));
        QVERIFY(!lookup->isVisible());
        QCOMPARE(model()->phase(), Phase::idle);
    }

    void copyFillsTheClipboardUntilThePhaseChanges()
    {
        showSignedIn();
        reachPreview();
        QGuiApplication::clipboard()->clear();
        QQuickItem *copy = visibleItem(QStringLiteral("copyButton"));
        QCOMPARE(visibleItem(QStringLiteral("copyLabel"))->property("text").toString(), QStringLiteral("Copy phrase"));
        click(copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), web->card.malay);
        QCOMPARE(visibleItem(QStringLiteral("copyLabel"))->property("text").toString(), QStringLiteral("Copied"));
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("copyButton"))), QStringLiteral("Copied"));

        // Saving changes the phase: the copy button is still there but reads "Copy phrase" again.
        web->saveAnswer = LookupWebApp::SaveAnswer::hang;
        model()->save();
        QCOMPARE(model()->phase(), Phase::saving);
        QCOMPARE(visibleItem(QStringLiteral("copyLabel"))->property("text").toString(), QStringLiteral("Copy phrase"));
        QVERIFY(visibleItem(QStringLiteral("savingLabel")));

        // The keyboard copies too.
        QGuiApplication::clipboard()->clear();
        key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), web->card.malay);
    }

    void theSaveShortcutWorksOnlyWhileSavingIsOffered()
    {
        showSignedIn();
        int saves = 0;
        model()->onSaved = [&] { ++saves; };

        key(Qt::Key_S, Qt::ControlModifier); // no card yet
        QTest::qWait(50);
        QCOMPARE(model()->phase(), Phase::idle);

        for (char letter : QByteArray("kopi"))
            QTest::keyClick(lookup->window(), letter);
        key(Qt::Key_Return);
        QTRY_COMPARE(model()->phase(), Phase::preview);
        QVERIFY(visibleItem(QStringLiteral("saveButton"))->isEnabled());
        key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(model()->phase(), Phase::saved);
        QCOMPARE(saves, 1);
        QVERIFY(visibleItem(QStringLiteral("savedLabel")));
        QVERIFY(visibleItem(QStringLiteral("newPhraseButton")));

        key(Qt::Key_S, Qt::ControlModifier); // saved: no second save
        QTest::qWait(100);
        QCOMPARE(saves, 1);
        QCOMPARE(model()->phase(), Phase::saved);

        // Ctrl+N starts over with an empty field.
        key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QString());
        QCOMPARE(searchField()->property("text").toString(), QString()); // the typed text went too
        QVERIFY(!model()->hasPhrase());
        QTRY_VERIFY(view()->property("inputFocused").toBool());
        QTRY_COMPARE(lookup->window()->geometry().height(), 410);
    }

    void anUncertainSaveSendsTheLearnerToThePhrasebook()
    {
        showSignedIn();
        int opened = 0;
        model()->onOpenLibrary = [&] { ++opened; };
        reachPreview();
        web->saveAnswer = LookupWebApp::SaveAnswer::failure;
        model()->save();
        QTRY_COMPARE(model()->phase(), Phase::saveUncertain);
        QVERIFY(visibleItem(QStringLiteral("errorLine")));
        QCOMPARE(accessibleName(visibleItem(QStringLiteral("errorLine"))), QStringLiteral("Error: ") + model()->errorText());
        QVERIFY(!visibleItem(QStringLiteral("copyButton")));
        click(visibleItem(QStringLiteral("checkLibraryButton")));
        QCOMPARE(opened, 1);
        click(visibleItem(QStringLiteral("newPhraseButton")));
        QCOMPARE(model()->phase(), Phase::idle);
        QCOMPARE(model()->query(), QString());
    }

    void anErrorShowsAboveTheInvitation()
    {
        showSignedIn();
        web->lookupAnswer = LookupWebApp::LookupAnswer::refused;
        model()->setQuery(QStringLiteral("anything"));
        key(Qt::Key_Return);
        QTRY_VERIFY(model()->hasError());
        QCOMPARE(visibleItem(QStringLiteral("errorText"))->property("text").toString(),
                 QStringLiteral("You have used today’s lookups."));
        QCOMPARE(viewText("section"), QStringLiteral("invitation"));
        model()->discard();
        QVERIFY(!visibleItem(QStringLiteral("errorLine")));
    }

    void hidingKeepsTheCardAndLetsASaveFinish()
    {
        showSignedIn();
        int saves = 0;
        model()->onSaved = [&] { ++saves; };
        reachPreview();
        lookup->hide();
        QCOMPARE(model()->phase(), Phase::preview);
        lookup->show();
        QCOMPARE(lookup->window()->geometry().height(), 680); // reopens at the card's height
        model()->save();
        lookup->hide();
        QTRY_COMPARE(model()->phase(), Phase::saved);
        QCOMPARE(saves, 1);
    }
};

int main(int argc, char **argv)
{
    // A laptop's screen (the primary) and a monitor to its right, both tall
    // enough for the card window.
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"screens": [
        {"name": "laptop", "x": 0, "y": 0, "width": 1440, "height": 900, "logicalDpi": 96, "logicalBpi": 96, "dpr": 1},
        {"name": "monitor", "x": 1440, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "logicalBpi": 96, "dpr": 1}
    ]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.toLocal8Bit());
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    LookupViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lookup_view.moc"
