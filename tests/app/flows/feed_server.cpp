#include "feed_server.h"

#include "library/phrase_feed.h"

#include <QJsonDocument>
#include <QUrlQuery>

FeedServer::FeedServer()
{
    setHandler([this](const Request &request) { return answer(request); });
}

void FeedServer::setLibrary(const QByteArray &token, const QString &userId, QList<Phrase> phrases)
{
    m_accounts.insert(token, {userId, std::move(phrases)});
}

void FeedServer::removePhrase(const QByteArray &token, const QString &id)
{
    m_accounts[token].phrases.removeIf([&](const Phrase &phrase) { return phrase.id == id; });
}

int FeedServer::feedRequests() const
{
    return int(std::count_if(requests().cbegin(), requests().cend(),
                             [](const Request &request) { return request.url.path() == "/api/companion/phrases"; }));
}

FixtureServer::Response FeedServer::answer(const Request &request) const
{
    Response response;
    response.delayMs = m_delayMs;
    if (m_forcedStatus) {
        response.status = m_forcedStatus;
        return response;
    }
    if (request.url.path() == QLatin1String("/companion/updates.json") && !m_updateVersion.isEmpty()) {
        return Response::json(200, QStringLiteral(R"({"version": "%1", "url": "%2/download"})")
                                       .arg(m_updateVersion, origin().toString())
                                       .toUtf8());
    }
    if (request.url.path() != QLatin1String("/api/companion/phrases")) {
        response.status = 404;
        return response;
    }
    const QByteArray cookie = request.header("cookie");
    const QByteArray prefix = "auth.session-token=";
    const QByteArray token = cookie.startsWith(prefix) ? cookie.mid(prefix.size()) : QByteArray();
    if (!m_accounts.contains(token)) {
        response.status = 401;
        return response;
    }
    const Account &account = m_accounts[token];
    const int start = QUrlQuery(request.url).queryItemValue(QStringLiteral("cursor")).toInt();
    PhraseFeed page;
    page.userId = account.userId;
    page.phrases = account.phrases.mid(start, 50);
    if (start + 50 < account.phrases.size())
        page.nextCursor = QString::number(start + 50);
    response = Response::json(200, QJsonDocument(page.toJson()).toJson(QJsonDocument::Compact));
    response.delayMs = m_delayMs;
    return response;
}

QList<Phrase> samplePhrases(int count, const QString &prefix)
{
    QList<Phrase> phrases;
    for (int i = 1; i <= count; ++i) {
        Phrase phrase;
        phrase.id = prefix + QString::number(i);
        phrase.malay = QStringLiteral("Frasa %1").arg(phrase.id);
        phrase.english = QStringLiteral("Phrase %1").arg(phrase.id);
        phrase.category = QStringLiteral("Everyday");
        phrase.context = QStringLiteral("When testing.");
        phrases.append(phrase);
    }
    return phrases;
}
