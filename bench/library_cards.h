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

using namespace Qt::StringLiterals;

inline constexpr int size = 5000; // the most a library can hold: 100 pages of 50

// A complete lookup card, numbered so that each one is saved as a new phrase.
inline QJsonObject card(int index)
{
    const QString n = QString::number(index);
    return QJsonObject{
        {"malay"_L1, QStringLiteral("Jom minum teh tarik dulu, kawan nombor %1.").arg(n)},
        {"english"_L1, QStringLiteral("Let's have a pulled tea first, friend number %1.").arg(n)},
        {"register"_L1, u"casual"_s},
        {"context"_L1, QStringLiteral("A friendly invitation to take a break at the kopitiam.")},
        {"usageExamples"_L1,
         QJsonArray{QJsonObject{{"malay"_L1, u"Jom minum teh tarik dulu sebelum balik."_s},
                                {"english"_L1, u"Let's have a teh tarik before heading home."_s},
                                {"situation"_L1, u"After work with colleagues"_s}}}},
        {"notes"_L1, QJsonArray{u"Jom means let's."_s, u"Dulu softens the suggestion."_s}},
        {"relatedPhrases"_L1, QJsonArray{}},
        {"words"_L1,
         QJsonArray{QJsonObject{{"malay"_L1, u"jom"_s}, {"english"_L1, u"let's"_s}},
                    QJsonObject{{"malay"_L1, u"minum"_s}, {"english"_L1, u"drink"_s}},
                    QJsonObject{{"malay"_L1, u"teh tarik"_s}, {"english"_L1, u"pulled tea"_s}},
                    QJsonObject{{"malay"_L1, u"dulu"_s}, {"english"_L1, u"first"_s}}}},
        {"scenario"_L1, u"kopitiam"_s},
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
inline QByteArray fillLibrary(HttpClient &client, const DevServerProcess &server, const QString &email, QString &userID)
{
    const QByteArray cookie = signUp(client, server, email, u"bench-password"_s);
    userID = accountID(client, server, cookie);
    if (cookie.isEmpty() || userID.isEmpty())
        return {};
    for (int i = 0; i < size; ++i) {
        const HttpReply saved =
            client.postJson(server.url(u"/api/companion/phrases"_s),
                            QJsonObject{{"expectedUserId"_L1, userID}, {"phrase"_L1, card(i)}}, cookie);
        if (saved.status != 201)
            return {};
    }
    return cookie;
}

} // namespace BenchLibrary
