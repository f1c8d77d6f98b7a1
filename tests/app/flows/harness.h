#pragma once
// A controller wired to a fixture web app, an in-memory session, scripted
// dialogs and a clock the test moves by hand.
#include "app/companion_delegate.h"
#include "card/card_model.h"
#include "card/card_panel.h"
#include "fixture_server.h"
#include "library/phrase_feed.h"
#include "lookup/phrase_lookup_window.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QJsonDocument>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <map>
#include <qcoro/qcorotimer.h>

// The status menu as the learner reads it, a row each: its text ("title\tkey"
// with a key), " ✓" when checked, "—" for a separator; a submenu's rows follow
// its title, indented.
inline QStringList menuRows(const QMenu &menu)
{
    QStringList rows;
    for (const QAction *action : menu.actions()) {
        rows << (action->isSeparator() ? QStringLiteral("—")
                                       : action->text() + (action->isChecked() ? QStringLiteral(" ✓") : QString()));
        if (action->menu()) {
            for (const QString &row : menuRows(*action->menu()))
                rows << QStringLiteral("  ") + row;
        }
    }
    return rows;
}

inline QStringList menuRows(CompanionDelegate &delegate)
{
    QMenu menu;
    delegate.menuNeedsUpdate(&menu);
    return menuRows(menu);
}

// A sign-in session without a web view; the test decides when a wipe ends.
struct InMemorySession : SignInSession {
    QCoro::Task<QList<QNetworkCookie>> cookies(QUrl url) override
    {
        QList<QNetworkCookie> cookies;
        if (!token.isEmpty() && url.host() == QLatin1String("127.0.0.1"))
            cookies << QNetworkCookie("auth.session-token", token);
        co_return cookies;
    }
    // The fixture web app never sets cookies.
    QCoro::Task<void> acceptCookies(QList<QNetworkReply::RawHeaderPair>, QUrl) override { co_return; }
    void showLogin(const QUrl &origin) override { loginsShown << origin; }
    void finishLogin() override { ++loginsFinished; }
    QCoro::Task<void> clear() override
    {
        token.clear();
        if (holdClear) {
            // Awaited as a timer, which releaseClear() fires at once.
            release.setSingleShot(true);
            release.start(std::chrono::hours(1));
            co_await release;
        }
    }
    void releaseClear() { release.start(0); }

    QByteArray token; // empty: signed out
    bool holdClear = false; // while set, clear() waits for releaseClear()
    QTimer release;
    QList<QUrl> loginsShown;
    int loginsFinished = 0;
};

// Scripted dialogs: each run takes the next of `answers`; none left or a null text is "Cancel".
struct ScriptedDialogs : CompanionDialogs {
    std::optional<QString> askInterval(const QString &text, const QString &informative) override
    {
        return ask(text + QLatin1Char('|') + informative);
    }
    std::optional<QString> askOrigin(const QString &text) override { return ask(text); }
    void alertInvalidOrigin(const QString &informative) override { shown << QStringLiteral("alert: ") + informative; }
    std::optional<QString> ask(const QString &shownText)
    {
        shown << shownText;
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }

    QStringList answers;
    QStringList shown; // each run's field text ("|informative text" for the interval) and each alert
};

inline const QByteArray firstToken = "token-one";  // user u1, phrases p1…
inline const QByteArray secondToken = "token-two"; // user u2, phrases q1, q2

struct Harness {
    explicit Harness(const QStringList &arguments = {}, bool signedIn = true, int phrases = 3)
    {
        for (const char *key : {ReminderInterval::key, PreferenceKeys::pausedUntil, PreferenceKeys::phraseLookupShortcutEnabled})
            Preferences::standard().remove(QString::fromLatin1(key));
        server.setHandler([this](const FixtureServer::Request &request) { return answer(request); });
        if (!server.listen())
            qFatal("fixture server did not start");
        accounts.insert(firstToken, {QStringLiteral("u1"), numberedPhrases(phrases, QStringLiteral("p"))});
        accounts.insert(secondToken, {QStringLiteral("u2"), numberedPhrases(2, QStringLiteral("q"))});
        Preferences::standard().setValue(QString::fromLatin1(PreferenceKeys::webOrigin), server.origin().toString());
        CompanionDelegate::Environment environment;
        environment.session = std::make_unique<InMemorySession>();
        environment.dialogs = std::make_unique<ScriptedDialogs>();
        session = static_cast<InMemorySession *>(environment.session.get());
        dialogs = static_cast<ScriptedDialogs *>(environment.dialogs.get());
        session->token = signedIn ? firstToken : QByteArray();
        environment.now = [this] { return now; };
        environment.arguments = QStringList{QStringLiteral("pelora-companion")} + arguments;
        environment.updateFeed = QUrl(server.origin().toString() + QStringLiteral("/companion/updates.json"));
        environment.useTray = false;
        delegate = std::make_unique<CompanionDelegate>(std::move(environment));
        for (const char *signal : {SIGNAL(loadAndShowFinished()), SIGNAL(sessionChangeFinished()),
                                   SIGNAL(libraryRefreshFinished()), SIGNAL(signOutFinished()), SIGNAL(launchFinished())})
            m_watches[signal] = {std::make_unique<QSignalSpy>(delegate.get(), signal), 0};
    }

    CompanionDelegate &launch()
    {
        delegate->applicationDidFinishLaunching();
        if (!waitFor(SIGNAL(launchFinished())))
            qFatal("the launch task did not finish");
        return *delegate;
    }

    void tick(double seconds)
    {
        now += seconds;
        delegate->tick();
    }

    // Waits for the next emission of a delegate "…Finished" signal not yet
    // waited for, including one emitted before the call.
    bool waitFor(const char *signal)
    {
        auto &[spy, consumed] = m_watches.at(signal);
        if (spy->count() <= consumed && !spy->wait(5000))
            return false;
        ++consumed;
        return true;
    }

    int feedRequests() const
    {
        return int(std::count_if(server.requests().cbegin(), server.requests().cend(),
                                 [](const auto &request) { return request.url.path() == "/api/companion/phrases"; }));
    }

    // The web app: each account's library in one page, by session token.
    FixtureServer::Response answer(const FixtureServer::Request &request)
    {
        FixtureServer::Response response;
        const QString path = request.url.path();
        const QByteArray cookie = request.header("cookie"), name = "auth.session-token=";
        const QByteArray token = cookie.startsWith(name) ? cookie.mid(name.size()) : QByteArray();
        if (status) {
            response.status = status;
        } else if (path != QLatin1String("/api/companion/phrases")) {
            response.status = 404;
        } else if (!accounts.contains(token)) {
            response.status = 401;
        } else {
            PhraseFeed page;
            page.userId = accounts[token].first;
            page.phrases = accounts[token].second;
            response = FixtureServer::Response::json(200, QJsonDocument(page.toJson()).toJson(QJsonDocument::Compact));
        }
        response.delayMs = delayMs;
        return response;
    }

    static QList<Phrase> numberedPhrases(int count, const QString &prefix)
    {
        QList<Phrase> phrases;
        for (int i = 1; i <= count; ++i)
            phrases.append({.id = prefix + QString::number(i), .malay = "Frasa", .english = "Phrase", .category = "Everyday",
                            .context = "When testing.", .words = {}, .notes = {}, .usageExamples = {}});
        return phrases;
    }

    FixtureServer server;
    QHash<QByteArray, QPair<QString, QList<Phrase>>> accounts; // token → user id and library
    int status = 0, delayMs = 0; // status 0: normal answers
    double now = 1'800'000'000.0;
    InMemorySession *session = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    std::unique_ptr<CompanionDelegate> delegate;
    std::map<QByteArray, std::pair<std::unique_ptr<QSignalSpy>, qsizetype>> m_watches; // spy, emissions consumed
};
