// The companion as a new learner meets it: the real controller, the real web
// engine sign-in and the stand-in web app, driven with real X key presses.
#include "account/companion_session.h"
#include "app/companion_delegate.h"
#include "app/stored_session.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

namespace {

// Runs xdotool once per command, in order.
void xdotool(const QList<QStringList> &commands)
{
    for (const QStringList &arguments : commands) {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        QVERIFY(process.waitForFinished(10000));
    }
}

// The name of the sign-in page's field with the caret.
QString focusedFieldName(CompanionSession *session)
{
    QVariant name;
    session->webView()->page()->runJavaScript(
        QStringLiteral("document.hasFocus() && document.activeElement ? document.activeElement.name || '' : ''"),
        [&name](const QVariant &result) { name = result; });
    return QTest::qWaitFor([&name] { return name.isValid(); }, 2000) ? name.toString() : QString();
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newLearnerSignsInLooksUpSavesAndSignsOut()
    {
        QTemporaryDir data;
        QProcess webApp;
        webApp.setProcessChannelMode(QProcess::MergedChannels);
        webApp.start(QStringLiteral(PELORA_DEVSERVER_PATH), {"--port", "0", "--data", data.path(), "--seed"});
        QByteArray output;
        const auto listening = [&] {
            output += webApp.readAll();
            return output.contains("listening on http://localhost:");
        };
        QTRY_VERIFY_WITH_TIMEOUT(listening(), 20000);
        const qsizetype at = output.indexOf("http://localhost:");
        const QString origin = QString::fromUtf8(output.mid(at, output.indexOf('\n', at) - at)).trimmed();
        Preferences::standard().setValue(QStringLiteral("webOrigin"), origin);

        CompanionDelegate::Environment environment;
        environment.session = std::make_unique<CompanionSession>();
        auto *session = static_cast<CompanionSession *>(environment.session.get());
        const QString storage = session->storageFolder();
        environment.preferences = &Preferences::standard();
        environment.openUrl = [](const QUrl &) {};
        environment.arguments = {"pelora-companion"};
        environment.updateFeed = QUrl(origin + QStringLiteral("/companion/updates.json"));
        environment.useTray = false;
        CompanionDelegate delegate(std::move(environment));
        delegate.applicationDidFinishLaunching(); // signed out: the message card
        QTRY_VERIFY_WITH_TIMEOUT(delegate.cards().panel(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.cards().panel()->isVisible(), 10000);
        CardPanel *panel = delegate.cards().panel();
        QCOMPARE(panel->model()->state(), PhraseStore::State::signedOut);

        // "--sign-in" from a later launch: once the caret is in the e-mail field, the learner types.
        delegate.handleForwardedArguments({"pelora-companion", "--sign-in"});
        QTRY_VERIFY_WITH_TIMEOUT(session->window(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(session->window()->isActiveWindow(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(focusedFieldName(session), QStringLiteral("email"), 20000);
        xdotool({{"type", "--delay", "20", "learner@pelora.test"},
                 {"key", "Tab"},
                 {"type", "--delay", "20", "selamat-pagi"},
                 {"key", "Return"}});

        QTRY_COMPARE_WITH_TIMEOUT(delegate.store().state(), PhraseStore::State::ready, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(panel->model()->phrase().has_value(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), 10000);
        const int before = int(delegate.store().phrases().size());

        // Let the sign-in settle: late page loads and cookie changes each report a session change.
        QTest::qWait(1500);
        const auto settled = [&] {
            return !delegate.store().refreshing() && !delegate.cards().presenting();
        }; // both at once
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);

        xdotool({{"key", "super+m"}}); // lookup, with the keyboard in its search field
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().isVisible(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().window()->isActive(), 10000);
        QTest::qWait(300);

        // Saving a looked-up phrase reaches the web app; the forced refresh brings it into the library.
        PhraseLookupModel *model = delegate.lookupWindow().model();
        xdotool({{"type", "--delay", "20", "how much is this"}, {"key", "Return"}});
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), PhraseLookupModel::Phase::preview, 10000);
        xdotool({{"key", "ctrl+s"}});
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), PhraseLookupModel::Phase::saved, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(int(delegate.store().phrases().size()), before + 1, 10000);

        // Sign out: everything of the session goes, on disk too.
        const QList<QNetworkCookie> cookies = QCoro::waitFor(session->cookies(QUrl(origin)));
        QCOMPARE(cookies.size(), 1);
        const QByteArray token = cookies.first().value();
        QVERIFY(!filesContaining(storage, {token.toBase64()}).isEmpty()); // the session's own record
        delegate.account().signOut();
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.account().signingOut(), 20000);
        QCOMPARE(filesContaining(storage, {token, token.toBase64()}), QStringList());
        QCOMPARE(sessionCookieRows(storage), 0);
        QVERIFY(QCoro::waitFor(session->cookies(QUrl(origin))).isEmpty());
        delegate.applicationWillTerminate();
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
