// The companion as a new learner meets it: the real controller, the real web
// engine sign-in and the stand-in web app, driven with real X key presses.
#include "account/companion_session.h"
#include "app/companion_delegate.h"
#include "app/menu_reading.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "card/floating_panel.h"
#include "lookup/lookup_hot_key.h"
#include "lookup/phrase_lookup_model.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"

#include <QDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QDirIterator>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QWindow>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotask.h>

namespace {

void xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY(process.waitForFinished(10000));
}

// Any file under `folder` whose bytes contain `needle`.
QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            found << file.fileName();
    }
    return found;
}

// Rows for the session cookie in the web engine's cookie database, if any.
int sessionCookieRows(const QString &folder)
{
    int rows = 0;
    QDirIterator it(folder, {QStringLiteral("Cookies")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cookies"));
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery query(QStringLiteral("SELECT count(*) FROM cookies WHERE name = 'auth.session-token'"), db);
                if (query.next())
                    rows += query.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("cookies"));
    }
    return rows;
}

// The name of the form field that has the caret in the sign-in page.
QString focusedFieldName(CompanionSession *session)
{
    QString name;
    bool answered = false;
    session->webView()->page()->runJavaScript(
        QStringLiteral("document.hasFocus() && document.activeElement ? document.activeElement.name || '' : ''"),
        [&](const QVariant &result) {
            name = result.toString();
            answered = true;
        });
    if (!QTest::qWaitFor([&] { return answered; }, 2000))
        return {};
    return name;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_data;
    QProcess m_webApp;
    QString m_origin;

    // The learner's saved phrases, as the web app reports them to a fresh sign-in.
    int librarySize()
    {
        QNetworkAccessManager client;
        QNetworkRequest signIn(QUrl(m_origin + QStringLiteral("/sign-in")));
        signIn.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        signIn.setRawHeader("Origin", m_origin.toUtf8());
        signIn.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        std::unique_ptr<QNetworkReply> reply(
            client.post(signIn, QByteArrayLiteral("email=learner%40pelora.test&password=selamat-pagi")));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        finished.wait(10000);
        int count = 0;
        QString cursor;
        for (int page = 0; page < 100; ++page) {
            QUrl url(m_origin + QStringLiteral("/api/companion/phrases"));
            if (page > 0) {
                QUrlQuery query;
                query.addQueryItem(QStringLiteral("cursor"), cursor);
                url.setQuery(query);
            }
            std::unique_ptr<QNetworkReply> feed(client.get(QNetworkRequest(url)));
            QSignalSpy done(feed.get(), &QNetworkReply::finished);
            done.wait(10000);
            const QJsonObject object = QJsonDocument::fromJson(feed->readAll()).object();
            count += int(object.value(QStringLiteral("phrases")).toArray().size());
            if (!object.value(QStringLiteral("nextCursor")).isString())
                break;
            cursor = object.value(QStringLiteral("nextCursor")).toString();
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_webApp.setProcessChannelMode(QProcess::MergedChannels);
        m_webApp.start(QStringLiteral(PELORA_DEVSERVER_PATH),
                       {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), m_data.path(),
                        QStringLiteral("--seed")});
        QVERIFY(m_webApp.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += m_webApp.readAll()).contains("listening on http://localhost:"), 20000);
        const qsizetype at = output.indexOf("http://localhost:");
        m_origin = QString::fromUtf8(output.mid(at, output.indexOf('\n', at) - at)).trimmed();
        Preferences::standard().setValue(QStringLiteral("webOrigin"), m_origin);
    }

    void cleanupTestCase()
    {
        m_webApp.terminate();
        m_webApp.waitForFinished(5000);
    }

    void newLearnerSignsInLooksUpSavesAndSignsOut()
    {
        auto sessionOwned = std::make_unique<CompanionSession>();
        CompanionSession *session = sessionOwned.get();
        const QString storage = session->storageFolder();
        QList<QUrl> opened;
        CompanionDelegate::Environment environment;
        environment.session = std::move(sessionOwned);
        environment.openUrl = [&](const QUrl &url) { opened << url; };
        environment.arguments = {QStringLiteral("pelora-companion")};
        environment.updateFeed = QUrl(m_origin + QStringLiteral("/companion/updates.json"));
        environment.useTray = false;
        CompanionDelegate delegate(std::move(environment));
        QSignalSpy launched(&delegate, &CompanionDelegate::launchFinished);
        QSignalSpy sessionChanged(&delegate, &CompanionDelegate::sessionChangeFinished);
        QSignalSpy refreshed(&delegate, &CompanionDelegate::libraryRefreshFinished);
        QSignalSpy signedOut(&delegate, &CompanionDelegate::signOutFinished);

        // First launch, signed out: the signed-out message card, bottom-left.
        delegate.applicationDidFinishLaunching();
        QTRY_COMPARE_WITH_TIMEOUT(launched.count(), 1, 10000);
        QCOMPARE(delegate.store().state(), PhraseStore::State::signedOut);
        CardPanel *panel = delegate.panel();
        QTRY_VERIFY(panel->isVisible());
        QVERIFY(!panel->model()->phrase());
        QCOMPARE(panel->model()->state(), PhraseStore::State::signedOut);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(panel->window()->x(), area.left() + 20);
        QCOMPARE(panel->window()->y() + panel->window()->height(), area.bottom() + 1 - 20);

        // "--sign-in" from a second launch opens the sign-in window; the learner
        // types into the web app's form.
        delegate.handleForwardedArguments({QStringLiteral("pelora-companion"), QStringLiteral("--sign-in")});
        QTRY_VERIFY_WITH_TIMEOUT(session->window() && session->window()->isVisible(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(session->window()->isActiveWindow(), 10000);
        // The web app's page has loaded and put the caret into its e-mail field.
        QTRY_COMPARE_WITH_TIMEOUT(focusedFieldName(session), QStringLiteral("email"), 20000);
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("learner@pelora.test")});
        xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("selamat-pagi")});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});

        // The session change finds the library; the first phrase card appears.
        QTRY_VERIFY_WITH_TIMEOUT(delegate.store().state() == PhraseStore::State::ready, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(panel->model()->phrase().has_value(), 10000);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->window()->x(), area.left() + 20);
        QTRY_VERIFY(!session->window()->isVisible());
        const int before = int(delegate.store().phrases().size());
        QVERIFY(before >= 60);
        QCOMPARE(delegate.lookupAccount().has_value(), true);

        // Let the sign-in settle: the web app's last page load and cookie
        // changes each report a session change, and the window manager moves
        // the focus when the sign-in window goes.
        QTest::qWait(1500);
        QTRY_VERIFY_WITH_TIMEOUT(!delegate.store().refreshing() && !delegate.presenting(), 10000);

        // Super+M is registered: the menu shows it beside "Look up a phrase…".
        QVERIFY(delegate.lookupHotKey().isRegistered());
        {
            QMenu shown;
            delegate.menuNeedsUpdate(&shown);
            QCOMPARE(menuAction(shown, QStringLiteral("Look up a phrase…"))->text(),
                     QStringLiteral("Look up a phrase…\tSuper+M"));
            QVERIFY(!menuTitles(delegate).contains(QStringLiteral("Super+M unavailable · another app may be using it")));
        }
        // Super+M opens lookup.

        xdotool({QStringLiteral("key"), QStringLiteral("super+m")});
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().isVisible(), 5000);
        QVERIFY(!panel->isVisible());
        // The window takes the keyboard at once: typing goes to its search field.
        QTRY_VERIFY_WITH_TIMEOUT(delegate.lookupWindow().window()->isActive(), 10000);
        QTest::qWait(300);

        // A lookup of an everyday phrase gives a card; saving it adds it.
        PhraseLookupModel *model = delegate.lookupWindow().model();
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("how much is this")});
        QTRY_COMPARE(model->query(), QStringLiteral("how much is this"));
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), PhraseLookupModel::Phase::preview, 10000);
        QVERIFY(model->canSave());
        const int refreshesBefore = int(refreshed.count());
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+s")});
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), PhraseLookupModel::Phase::saved, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(refreshed.count() > refreshesBefore, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(int(delegate.store().phrases().size()), before + 1, 10000);
        QCOMPARE(librarySize(), before + 1);
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY(!delegate.lookupWindow().isVisible());

        // Sign out from the menu: everything of the session goes, on disk too.
        const QList<QNetworkCookie> cookies = QCoro::waitFor(session->cookies(QUrl(m_origin)));
        QCOMPARE(cookies.size(), 1);
        const QByteArray token = cookies.first().value();
        QVERIFY(!filesContaining(storage, token.toBase64()).isEmpty()); // the session's own record
        QMenu menu;
        delegate.menuNeedsUpdate(&menu);
        QAction *signOut = menuAction(menu, QStringLiteral("Sign out"));
        QVERIFY(signOut);
        signOut->trigger();
        QVERIFY(menuTitles(delegate).contains(QStringLiteral("Sign in…")));
        QTRY_COMPARE_WITH_TIMEOUT(signedOut.count(), 1, 20000);
        QCOMPARE(delegate.store().state(), PhraseStore::State::signedOut);
        QCOMPARE(filesContaining(storage, token), QStringList());
        QCOMPARE(filesContaining(storage, token.toBase64()), QStringList());
        QCOMPARE(sessionCookieRows(storage), 0);
        QVERIFY(QCoro::waitFor(session->cookies(QUrl(m_origin))).isEmpty());
        QVERIFY(menuTitles(delegate).contains(QStringLiteral("Sign in…")));
        QVERIFY(!menuTitles(delegate).contains(QStringLiteral("Sign out")));
        delegate.applicationWillTerminate();
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
