#include "library/phrase_store.h"

#include "account/no_redirects.h"
#include "account/session_cookies.h"
#include "account/web_address.h"
#include "library/capped_read.h"
#include "library/library_log.h"
#include "library/phrase_feed.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

const QString signInText = u"Sign in to use your saved phrases"_s;
const QString syncingText = u"Syncing your phrasebook\u2026"_s;
const QString expiredText = u"Session expired \u00b7 sign in again"_s;
const QString apiMissingText = u"Companion API not deployed \u00b7 check web app address"_s;
const QString failedText = u"Couldn\u2019t sync \u00b7 check connection and try again"_s;
const QString emptyText = u"No saved phrases yet \u00b7 look up a phrase"_s;

constexpr qint64 maxBodyBytes = 2'000'000;
constexpr int maxCursors = 100;

QString countText(qsizetype count)
{
    return QString::number(count) + u" saved phrases \u00b7 synced"_s;
}

// Keeps the first phrase of every id, in order.
QList<Phrase> withoutDuplicates(const QList<Phrase> &phrases)
{
    QList<Phrase> unique;
    QSet<QString> seen;
    for (const Phrase &phrase : phrases) {
        if (!seen.contains(phrase.id)) {
            seen.insert(phrase.id);
            unique.append(phrase);
        }
    }
    return unique;
}

QUrl pageUrl(const QUrl &origin, const std::optional<QString> &cursor)
{
    QUrl url = WebAddress::appending(origin, u"api/companion/phrases"_s);
    if (cursor) {
        // Every byte outside the unreserved set is escaped, so "+", "&", "="
        // and "%" in a cursor reach the server as the cursor's own characters.
        url.setQuery(QString::fromLatin1("cursor=" + QUrl::toPercentEncoding(*cursor)), QUrl::StrictMode);
    }
    return url;
}

} // namespace

PhraseStore::PhraseStore(QObject *parent) : QObject(parent), m_status(signInText) {}

PhraseStore::~PhraseStore()
{
    // A refresh still waiting on the network wakes up, sees the new
    // generation and leaves without touching the store.
    cancelActiveSession();
}

void PhraseStore::cancelActiveSession()
{
    ++m_generation;
    std::unique_ptr<QNetworkAccessManager> session = std::move(m_activeSession);
    if (!session)
        return;
    const auto replies = session->findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies)
        reply->abort();
    // The aborted replies may still be on the stack of their own signals.
    session.release()->deleteLater();
}

void PhraseStore::finishActiveSession()
{
    if (m_activeSession)
        m_activeSession.release()->deleteLater();
}

void PhraseStore::settle(quint64 generation)
{
    if (generation != m_generation)
        return;
    finishActiveSession();
    m_refreshing = false;
}

void PhraseStore::apply(State state, const QString &status, QList<Phrase> phrases, std::optional<QString> userID)
{
    m_state = state;
    m_status = status;
    m_phrases = std::move(phrases);
    m_userID = std::move(userID);
    Q_EMIT changed();
}

void PhraseStore::applyFailure(bool apiMissing)
{
    apply(State::unavailable, apiMissing ? apiMissingText : failedText, {}, m_userID);
}

QCoro::Task<bool> PhraseStore::refresh(QUrl origin, SessionCookies *auth, bool force)
{
    if (m_refreshing) {
        if (!force)
            co_return false;
        cancelActiveSession();
    }
    QPointer<PhraseStore> self(this);
    const quint64 generation = m_generation;
    m_refreshing = true;
    // Checked after every wait: the store may be gone or the refresh overtaken.
    const auto current = [&self, generation] { return self && generation == self->m_generation; };

    // Without a session to ask there is nobody signed in. (No co_await in a
    // conditional expression: GCC 12 miscompiles it.)
    QList<QNetworkCookie> firstCookies;
    if (auth)
        firstCookies = co_await auth->cookies(origin);
    if (!current())
        co_return false;
    if (firstCookies.isEmpty()) {
        apply(State::signedOut, signInText, {}, std::nullopt);
        settle(generation);
        co_return true;
    }

    apply(State::loading, syncingText, m_phrases, m_userID);
    m_activeSession = NoRedirects::makeClient();
    QNetworkAccessManager *client = m_activeSession.get();

    QList<Phrase> collected;
    QSet<QString> followedCursors;
    std::optional<QString> account;
    std::optional<QString> cursor;
    int pageNumber = 0;
    // Every failed sync leaves its cause in the log (never a cookie).
    const auto failPage = [&](const QString &cause, bool apiMissing = false) {
        qCWarning(lcSync).noquote() << "Sync failed at page" << pageNumber << "-" << cause;
        applyFailure(apiMissing);
        settle(generation);
        return true;
    };

    for (;;) {
        ++pageNumber;
        QNetworkRequest request(pageUrl(origin, cursor));
        NoRedirects::apply(request);
        request.setTransferTimeout(int(m_pageTimeout.count()));
        request.setRawHeader("Accept", "application/json");

        const QList<QNetworkCookie> cookies = co_await auth->cookies(origin);
        if (!current())
            co_return false;
        if (!cookies.isEmpty())
            request.setRawHeader("Cookie", cookieHeader(cookies));

        const CappedReply page = co_await CappedRead::get(client, request, maxBodyBytes);
        if (!current())
            co_return false;
        if (page.ending == CappedReply::Ending::transportFailed)
            co_return failPage(page.describe());
        if (page.status == 401) {
            apply(State::signedOut, expiredText, {}, std::nullopt);
            settle(generation);
            co_return true;
        }
        if (page.ending != CappedReply::Ending::answered || page.status != 200)
            co_return failPage(page.describe(), page.status == 404);

        co_await auth->acceptCookies(page.headers, origin);
        if (!current())
            co_return false;
        Result<PhraseFeed, PhraseFeed::Error> decoded = PhraseFeed::decode(page.body);
        if (!decoded)
            co_return failPage(u"not a valid feed page"_s);
        PhraseFeed feed = std::move(decoded).value();
        if (account && *account != feed.userID)
            co_return failPage(u"another account than the pages before"_s);
        account = feed.userID;
        collected.append(feed.phrases);

        if (!feed.nextCursor)
            break;
        if (followedCursors.contains(*feed.nextCursor))
            co_return failPage(u"a cursor this sync already followed"_s);
        followedCursors.insert(*feed.nextCursor);
        if (followedCursors.size() >= maxCursors)
            co_return failPage(u"it still names a next page"_s);
        cursor = feed.nextCursor;
    }

    QList<Phrase> library = withoutDuplicates(collected);
    const State state = library.isEmpty() ? State::empty : State::ready;
    const QString status = library.isEmpty() ? emptyText : countText(library.size());
    apply(state, status, std::move(library), account);
    settle(generation);
    co_return true;
}

void PhraseStore::clear()
{
    cancelActiveSession();
    m_refreshing = false;
    apply(State::signedOut, signInText, {}, std::nullopt);
}
