// The companion as a signed-in learner uses it: the real controller and
// session, the stand-in web app, and real X key presses. Super+M opens
// lookup with the keyboard in its search field, a saved result reaches the
// web app, and the refresh that follows brings it into the library.
#include "account/companion_session.h"
#include "app/companion_delegate.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "devserver/devserver_harness.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// Runs xdotool once per command, in order.
void xdotool(const QList<QStringList> &commands)
{
    for (const QStringList &arguments : commands) {
        QProcess process;
        process.start(u"xdotool"_s, arguments);
        QVERIFY(process.waitForFinished(10000));
    }
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lookedUpPhraseIsSavedIntoTheLibrary()
    {
        DevServerProcess webApp;
        QVERIFY(webApp.start());
        const QString origin = u"http://localhost:%1"_s.arg(webApp.port());
        Preferences::standard().setValue(u"webOrigin"_s, origin);

        // Signed in as the demo learner: the session takes the cookie the web app set.
        HttpClient http;
        const QByteArray cookie = signIn(http, webApp, u"learner@pelora.test"_s, u"selamat-pagi"_s);
        QTemporaryDir storage;
        auto session = std::make_unique<CompanionSession>(storage.path(), nullptr);
        QCoro::waitFor(session->acceptCookies({{"Set-Cookie"_ba, cookie + "; Path=/"_ba}}, QUrl(origin)));

        CompanionDelegate::Environment environment;
        environment.session = std::move(session);
        environment.preferences = &Preferences::standard();
        environment.openUrl = [](const QUrl &) {};
        environment.arguments = {u"pelora-companion"_s};
        environment.updateFeed = QUrl(origin + u"/companion/updates.json"_s);
        environment.useTray = false;
        CompanionDelegate delegate(std::move(environment));
        delegate.applicationDidFinishLaunching();
        QTRY_COMPARE_WITH_TIMEOUT(delegate.store().state(), PhraseStore::State::ready, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.cards().panel()->model()->phrase().has_value(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.cards().presenting(), 10000);
        const int before = int(delegate.store().phrases().size());

        xdotool({{u"key"_s, u"super+m"_s}}); // lookup, with the keyboard in its search field
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().isVisible(), 10000); // its window exists from here
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().window()->isActive(), 10000);
        QTest::qWait(300);

        PhraseLookupModel *model = delegate.lookupWindow().model();
        xdotool({{u"type"_s, u"--delay"_s, u"20"_s, u"how much is this"_s}, {u"key"_s, u"Return"_s}});
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), PhraseLookupModel::Phase::preview, 10000);
        xdotool({{u"key"_s, u"ctrl+s"_s}});
        QTRY_COMPARE_WITH_TIMEOUT(int(delegate.store().phrases().size()), before + 1, 10000);
        delegate.applicationWillTerminate();
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
