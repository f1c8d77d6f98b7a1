#include "updates/feed_fetcher.h"
#include "updates/update_feed.h"
#include "updates/version_number.h"

#include "fixture_server.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTest>

namespace {

VersionNumber version(const char *text)
{
    const auto parsed = VersionNumber::parse(QString::fromUtf8(text));
    if (!parsed)
        qFatal("not a version: %s", text);
    return *parsed;
}

QByteArray feed(const QByteArray &version, const QByteArray &url, const QByteArray &rest = {})
{
    return "{\"version\": " + version + ", \"url\": " + url + rest + "}";
}

} // namespace

class UpdateFeedTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionsCompareNumerically()
    {
        QVERIFY(version("1.10") > version("1.9"));
        QVERIFY(version("1.10.0") > version("1.9.9"));
        QVERIFY(version("2") > version("1.99.99.99"));
        QVERIFY(version("1.4") == version("1.4.0"));
        QVERIFY(version("1.4.0.0") == version("1.4"));
        QVERIFY(version("1.4.1") > version("1.4"));
        QVERIFY(version("0.9") < version("1.0.0"));
        QVERIFY(version("01.2") == version("1.2"));
        QVERIFY(version("999999999") > version("999999998.9"));
    }

    void malformedVersionsAreRejected()
    {
        for (const char *text : {"", "1.", ".1", "1..2", "v1.2", "1.2-beta", "1.2.3.4.5", " 1.2", "1.2 ", "1,2",
                                 "+1", "-1", "1.2.x", "1234567890", "\u0661.\u0662", "\uff11"})
            QVERIFY2(!VersionNumber::parse(QString::fromUtf8(text)), text);
    }

    void feedAddresses()
    {
        for (const char *ok : {"https://www.pelora.app/companion/updates.json", "http://localhost:3000/u.json",
                               "http://127.0.0.1:8080/u", "http://127.9.9.9/u", "http://[::1]:3000/u"})
            QVERIFY2(UpdateFeed::isAllowedAddress(QUrl(ok)), ok);
        for (const char *refused : {"http://www.pelora.app/u.json", "ftp://localhost/u", "file:///etc/passwd",
                                    "javascript:alert(1)", "/relative/u.json", "https://user:pw@pelora.app/u",
                                    "http://localhost.evil.example/u", "http://128.0.0.1/u", ""})
            QVERIFY2(!UpdateFeed::isAllowedAddress(QUrl(refused)), refused);
    }

    void decodesAValidFeed()
    {
        const auto full = UpdateFeed::decode(
            feed("\"1.4.0\"", "\"https://www.pelora.app/companion\"", ", \"notes\": \"Faster <b>lookup</b>.\""));
        QVERIFY(full);
        QCOMPARE(full->version, QString("1.4.0"));
        QVERIFY(full->number == version("1.4"));
        QCOMPARE(full->url, QUrl("https://www.pelora.app/companion"));
        QCOMPARE(full->notes, QString("Faster <b>lookup</b>."));

        const auto bare = UpdateFeed::decode(feed("\"2\"", "\"http://localhost:3000/download\""));
        QVERIFY(bare);
        QVERIFY(bare->notes.isEmpty());
        QVERIFY(UpdateFeed::decode(feed("\"2\"", "\"https://x.example/\"", ", \"notes\": null, \"extra\": [1]")));
    }

    void malformedFeedsAreIgnored()
    {
        const QByteArray page = "\"https://www.pelora.app/companion\"";
        const QList<QByteArray> bodies{
            "",
            "not json",
            "[]",
            "\"1.4.0\"",
            "{}",
            feed("\"1.4.0\"", page).chopped(1),        // cut short
            feed("1.4", page),                          // a number, not text
            feed("\"1.4.0-beta\"", page),
            feed("\"\"", page),
            feed("\"1.4.0\"", "42"),
            feed("\"1.4.0\"", "\"\""),
            feed("\"1.4.0\"", "\"http://www.pelora.app/companion\""), // plain http elsewhere
            feed("\"1.4.0\"", "\"javascript:alert(1)\""),
            feed("\"1.4.0\"", page, ", \"notes\": 5"),
            "{\"url\": " + page + "}",
        };
        for (const QByteArray &body : bodies)
            QVERIFY2(!UpdateFeed::decode(body), body.constData());
    }

    void longNotesAreShortened()
    {
        const QByteArray notes(5000, 'a');
        const auto decoded = UpdateFeed::decode(feed("\"1.5\"", "\"https://x.example/\"", ", \"notes\": \"" + notes + "\""));
        QVERIFY(decoded);
        QCOMPARE(decoded->notes.size(), 2000);
        QVERIFY(decoded->notes.endsWith(QChar(0x2026)));
    }

    void fetchLimits()
    {
        FixtureServer server;
        QVERIFY(server.listen());
        server.setHandler([](const FixtureServer::Request &request) {
            if (request.target == "/big")
                return FixtureServer::Response::json(200, QByteArray(FeedFetcher::maxBytes + 1, ' '));
            if (request.target == "/limit")
                return FixtureServer::Response::json(200, QByteArray(FeedFetcher::maxBytes, ' '));
            if (request.target == "/missing")
                return FixtureServer::Response::json(404, "{}");
            FixtureServer::Response hang;
            hang.hang = true;
            return hang;
        });
        const QUrl origin = server.origin();
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(origin.resolved(QUrl("/limit")))),
                 QByteArray(FeedFetcher::maxBytes, ' '));
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(origin.resolved(QUrl("/big")))), std::nullopt);
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(origin.resolved(QUrl("/missing")))), std::nullopt);
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(origin.resolved(QUrl("/hang")), std::chrono::milliseconds(300))),
                 std::nullopt);
        server.clearRequests();
        // Not even asked: plain http is only for this computer.
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(QUrl("http://www.pelora.app/u.json"))), std::nullopt);
    }

    void redirectsStayWithinTheOrigin()
    {
        FixtureServer elsewhere;
        QVERIFY(elsewhere.listen());
        elsewhere.setHandler([](const FixtureServer::Request &) { return FixtureServer::Response::json(200, "{}"); });
        FixtureServer server;
        QVERIFY(server.listen());
        const QByteArray away = elsewhere.origin().toEncoded() + "/feed";
        server.setHandler([away](const FixtureServer::Request &request) {
            FixtureServer::Response response = FixtureServer::Response::json(302, {});
            if (request.target == "/moved")
                response.headers.append(qMakePair(QByteArray("Location"), QByteArray("/feed")));
            else if (request.target == "/away")
                response.headers.append(qMakePair(QByteArray("Location"), away));
            else
                response = FixtureServer::Response::json(200, "{\"here\": true}");
            return response;
        });
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(server.origin().resolved(QUrl("/moved")))),
                 QByteArray("{\"here\": true}"));
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(server.origin().resolved(QUrl("/away")))), std::nullopt);
        QCOMPARE(elsewhere.requests().size(), 0);
    }

    void bodyCutOffWhileItArrives()
    {
        // A server that announces no length and keeps sending: the fetch
        // must stop at the limit, not read everything first.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        qint64 sent = 0;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
            auto *pump = new QTimer(socket);
            connect(pump, &QTimer::timeout, socket, [socket, &sent] {
                if (socket->state() != QAbstractSocket::ConnectedState)
                    return;
                sent += socket->write(QByteArray(16 * 1024, ' '));
            });
            pump->start(5);
        });
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/endless").arg(server.serverPort()));
        QCOMPARE(QCoro::waitFor(FeedFetcher::fetch(url, std::chrono::milliseconds(10000))), std::nullopt);
        QVERIFY2(sent < 4 * 1024 * 1024, QByteArray::number(sent).constData());
    }
};

QTEST_GUILESS_MAIN(UpdateFeedTest)
#include "tst_update_feed.moc"
