// End to end against the stand-in web app: look a phrase up through the
// lookup model and the real client, save it, and find it in the feed.
#include "devserver/devserver_harness.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QJsonArray>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

class LookupDevServerTest : public QObject {
    Q_OBJECT

    DevServerProcess server;
    HttpClient client;
    MemorySessionCookies session;

    QUrl origin() const { return server.url(QString()); }

    // The Malay texts of every saved phrase of the signed-in account, page by page.
    QStringList savedMalay(QString *userId)
    {
        QStringList all;
        QString cursor;
        const QByteArray cookie = "auth.session-token=" + session.stored.value(0).value();
        for (int page = 0; page < 200; ++page) {
            QUrlQuery query;
            query.addQueryItem(u"cursor"_s, cursor);
            const HttpReply reply = client.get(server.url(
                u"/api/companion/phrases"_s + (page == 0 ? QString() : u"?"_s + query.toString(QUrl::FullyEncoded))),
                cookie);
            if (reply.status != 200)
                return {};
            *userId = reply.json().value("userId"_L1).toString();
            for (const QJsonValue &phrase : reply.json().value("phrases"_L1).toArray())
                all.append(phrase.toObject().value("malay"_L1).toString());
            cursor = reply.json().value("nextCursor"_L1).toString();
            if (cursor.isEmpty())
                break;
        }
        return all;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(server.start({u"--seed"_s}), qPrintable(server.errorOutput()));
        // The demo account that starts with an empty library.
        const QByteArray cookie = signIn(client, server, u"new@pelora.test"_s, u"selamat-datang"_s);
        QVERIFY(cookie.startsWith("auth.session-token="));
        session.signIn(cookie.mid(cookie.indexOf('=') + 1));
    }

    void lookUpPreviewSaveAndFindItInTheFeed()
    {
        QString userId;
        const QStringList before = savedMalay(&userId);
        QVERIFY(!userId.isEmpty());

        PhraseLookupModel model;
        int saved = 0;
        model.onSaved = [&] { ++saved; };
        model.connect(std::make_unique<CompanionPhraseAPI>(origin(), userId, &session));
        model.setQuery(u"  nasi lemak to take away  "_s);
        model.lookup();
        QCOMPARE(model.phase(), PhraseLookupModel::Phase::lookingUp);
        QTRY_COMPARE_WITH_TIMEOUT(model.phase(), PhraseLookupModel::Phase::preview, 10'000);
        QVERIFY2(!model.hasError(), qPrintable(model.errorText()));
        const std::optional<LookupPhrase> card = model.phrase();
        QVERIFY(card && card->isValid());
        QVERIFY(!before.contains(card->malay));

        model.save();
        QCOMPARE(model.phase(), PhraseLookupModel::Phase::saving);
        QTRY_COMPARE_WITH_TIMEOUT(model.phase(), PhraseLookupModel::Phase::saved, 10'000);
        QCOMPARE(saved, 1);

        QString sameUser;
        const QStringList after = savedMalay(&sameUser);
        QCOMPARE(sameUser, userId);
        QVERIFY(after.contains(card->malay));
        QCOMPARE(after.size(), before.size() + 1);
    }
};

QTEST_GUILESS_MAIN(LookupDevServerTest)
#include "tst_lookup_devserver.moc"
