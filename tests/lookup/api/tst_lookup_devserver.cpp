// End to end against the stand-in web app: sign in over HTTP for the session
// cookie, look a phrase up through the lookup model and the real client, save
// it, and find it in the saved-phrase feed.
#include "account/no_redirects.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/api/task_completion.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcoronetworkreply.h>

using namespace Qt::StringLiterals;

namespace {

struct Answer {
    int status = 0;
    QList<QNetworkReply::RawHeaderPair> headers;
    QByteArray body;
};

QCoro::Task<Answer> send(QNetworkAccessManager *client, QNetworkRequest request, QByteArray method, QByteArray body)
{
    NoRedirects::apply(request);
    std::unique_ptr<QNetworkReply> reply(client->sendCustomRequest(request, method, body));
    co_await reply.get();
    co_return Answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->rawHeaderPairs(),
                     reply->readAll()};
}

} // namespace

class LookupDevServerTest : public QObject {
    Q_OBJECT

    QTemporaryDir data;
    QProcess server;
    QUrl origin;
    std::unique_ptr<QNetworkAccessManager> client = NoRedirects::makeClient();
    MemorySessionCookies session;

    Answer call(const QByteArray &method, const QString &path, const QByteArray &body = {},
                const QByteArray &contentType = {})
    {
        QNetworkRequest request(origin.resolved(QUrl(path)));
        if (!contentType.isEmpty())
            request.setRawHeader("Content-Type", contentType);
        if (!session.stored.isEmpty())
            request.setRawHeader("Cookie", cookieHeader(session.stored));
        Completion answer(send(client.get(), request, method, body));
        if (!answer.wait())
            return {};
        return answer.value();
    }

    // Every saved phrase of the signed-in account, page by page.
    QJsonArray savedPhrases(QString *userId)
    {
        QJsonArray all;
        QString cursor;
        for (;;) {
            QUrlQuery query;
            if (!cursor.isEmpty())
                query.addQueryItem(u"cursor"_s, cursor);
            const Answer page = call("GET", u"/api/companion/phrases"_s + (cursor.isEmpty() ? QString() : u"?"_s + query.toString(QUrl::FullyEncoded)));
            const QJsonObject object = QJsonDocument::fromJson(page.body).object();
            if (page.status != 200)
                return {};
            *userId = object.value("userId"_L1).toString();
            for (const QJsonValue &phrase : object.value("phrases"_L1).toArray())
                all.append(phrase);
            cursor = object.value("nextCursor"_L1).toString();
            if (cursor.isEmpty())
                return all;
        }
    }

    static bool containsMalay(const QJsonArray &phrases, const QString &malay)
    {
        return std::any_of(phrases.begin(), phrases.end(),
                           [&](const QJsonValue &phrase) { return phrase.toObject().value("malay"_L1).toString() == malay; });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(data.isValid());
        server.start(QStringLiteral(PELORA_DEVSERVER_PATH),
                     {u"--port"_s, u"0"_s, u"--data"_s, data.path(), u"--seed"_s});
        QVERIFY2(server.waitForStarted(), qPrintable(server.errorString()));
        const QRegularExpression listening(u"listening on (http://\\S+)"_s);
        QString output;
        QVERIFY(QTest::qWaitFor([&] {
            output += QString::fromUtf8(server.readAllStandardOutput());
            const QRegularExpressionMatch match = listening.match(output);
            if (match.hasMatch())
                origin = QUrl(match.captured(1));
            return origin.isValid() || server.state() == QProcess::NotRunning;
        }, 20'000));
        QVERIFY2(origin.isValid(), qPrintable(output + QString::fromUtf8(server.readAllStandardError())));
    }

    void cleanupTestCase()
    {
        server.terminate();
        if (!server.waitForFinished(5'000))
            server.kill();
    }

    void lookUpPreviewSaveAndFindItInTheFeed()
    {
        // Sign in as the demo account that starts with an empty library; the
        // session cookie comes with the answer.
        QUrlQuery form;
        form.addQueryItem(u"email"_s, u"new@pelora.test"_s);
        form.addQueryItem(u"password"_s, u"selamat-datang"_s);
        const Answer signIn = call("POST", u"/sign-in"_s, form.toString(QUrl::FullyEncoded).toUtf8(),
                                   "application/x-www-form-urlencoded");
        QVERIFY2(signIn.status >= 200 && signIn.status < 400, QByteArray::number(signIn.status));
        session.acceptCookies(signIn.headers, origin); // the in-memory session takes it at once
        QCOMPARE(session.stored.size(), 1);

        QString userId;
        const QJsonArray before = savedPhrases(&userId);
        QVERIFY(!userId.isEmpty());

        PhraseLookupModel model;
        int saved = 0;
        int accountInvalid = 0;
        model.onSaved = [&] { ++saved; };
        model.onAccountInvalid = [&] { ++accountInvalid; };
        model.connect(std::make_unique<CompanionPhraseAPI>(origin, userId, &session));
        model.setQuery(u"  nasi lemak to take away  "_s);
        model.lookup();
        QCOMPARE(model.phase(), PhraseLookupModel::Phase::lookingUp);
        QTRY_COMPARE_WITH_TIMEOUT(model.phase(), PhraseLookupModel::Phase::preview, 10'000);
        QVERIFY2(!model.hasError(), qPrintable(model.errorText()));
        const std::optional<LookupPhrase> card = model.phrase();
        QVERIFY(card && card->isValid());
        QVERIFY(!containsMalay(before, card->malay));

        model.save();
        QCOMPARE(model.phase(), PhraseLookupModel::Phase::saving);
        QTRY_COMPARE_WITH_TIMEOUT(model.phase(), PhraseLookupModel::Phase::saved, 10'000);
        QCOMPARE(saved, 1);
        QCOMPARE(accountInvalid, 0);

        QString sameUser;
        const QJsonArray after = savedPhrases(&sameUser);
        QCOMPARE(sameUser, userId);
        QVERIFY(containsMalay(after, card->malay));
        QCOMPARE(after.size(), before.size() + 1);
    }

    void aClientForAnotherAccountIsTurnedAway()
    {
        PhraseLookupModel model;
        int accountInvalid = 0;
        model.onAccountInvalid = [&] { ++accountInvalid; };
        model.connect(std::make_unique<CompanionPhraseAPI>(origin, u"someone-else"_s, &session));
        model.setQuery(u"thank you"_s);
        model.lookup();
        QTRY_COMPARE_WITH_TIMEOUT(accountInvalid, 1, 10'000);
        QVERIFY(!model.signedIn());
        QCOMPARE(model.errorText(), u"Your account changed. Reopen phrase lookup to continue."_s);
    }
};

QTEST_GUILESS_MAIN(LookupDevServerTest)
#include "tst_lookup_devserver.moc"
