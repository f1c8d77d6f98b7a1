#pragma once

#include "devserver_harness.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <vector>

// Helpers shared by the benchmarks that fill a large library in
// pelora-devserver and time it over loopback.
namespace BenchLibrary {

inline constexpr int size = 5000; // the most a library can hold: 100 pages of 50

// A complete lookup card, numbered so that each one is saved as a new phrase.
inline QJsonObject card(int index)
{
    const QString n = QString::number(index);
    return QJsonObject{
        {"malay", QStringLiteral("Jom minum teh tarik dulu, kawan nombor %1.").arg(n)},
        {"english", QStringLiteral("Let's have a pulled tea first, friend number %1.").arg(n)},
        {"register", "casual"},
        {"context", QStringLiteral("A friendly invitation to take a break at the kopitiam.")},
        {"usageExamples", QJsonArray{QJsonObject{{"malay", "Jom minum teh tarik dulu sebelum balik."},
                                                 {"english", "Let's have a teh tarik before heading home."},
                                                 {"situation", "After work with colleagues"}}}},
        {"notes", QJsonArray{"Jom means let's.", "Dulu softens the suggestion."}},
        {"relatedPhrases", QJsonArray{}},
        {"words", QJsonArray{QJsonObject{{"malay", "jom"}, {"english", "let's"}},
                             QJsonObject{{"malay", "minum"}, {"english", "drink"}},
                             QJsonObject{{"malay", "teh tarik"}, {"english", "pulled tea"}},
                             QJsonObject{{"malay", "dulu"}, {"english", "first"}}}},
        {"scenario", "kopitiam"},
    };
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The value of "--rounds N" among the arguments (at least 1), or `fallback`.
inline int rounds(const QStringList &arguments, int fallback)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
    if (at < 0 || at + 1 >= arguments.size())
        return fallback;
    return std::max(1, arguments.at(at + 1).toInt());
}

// The address of a feed page: the first one without a cursor, the others with the cursor the previous
// page gave, percent-encoded.
inline QUrl pageUrl(const DevServerProcess &server, const QString &cursor = {})
{
    QUrl url = server.url(QStringLiteral("/api/companion/phrases"));
    if (!cursor.isNull())
        url.setQuery(QStringLiteral("cursor=") + QString::fromLatin1(QUrl::toPercentEncoding(cursor)));
    return url;
}

// Signs up a new account and saves `size` numbered cards into it. Returns
// its session cookie and sets `userID`; an empty cookie if anything failed.
inline QByteArray fillLibrary(HttpClient &client, const DevServerProcess &server, const QString &email,
                              QString &userID)
{
    const QByteArray cookie = signUp(client, server, email, "bench-password");
    userID = accountID(client, server, cookie);
    if (cookie.isEmpty() || userID.isEmpty())
        return {};
    for (int i = 0; i < size; ++i) {
        const HttpReply saved = client.postJson(server.url("/api/companion/phrases"),
                                                QJsonObject{{"expectedUserId", userID}, {"phrase", card(i)}}, cookie);
        if (saved.status != 201)
            return {};
    }
    return cookie;
}

} // namespace BenchLibrary
