#include "updates/feed_fetcher.h"
#include "updates/update_feed.h"
#include "updates/version_number.h"

#include "fixture_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

bool newer(const char *a, const char *b) { return *VersionNumber::parse(a) > *VersionNumber::parse(b); }
bool same(const char *a, const char *b) { return *VersionNumber::parse(a) == *VersionNumber::parse(b); }

QByteArray feed(const QByteArray &version, const QByteArray &url, const QByteArray &rest = {})
{
    return "{\"version\": " + version + ", \"url\": " + url + rest + "}";
}

std::optional<QByteArray> fetch(const QUrl &url, std::chrono::milliseconds timeout = FeedFetcher::timeout)
{
    return QCoro::waitFor(FeedFetcher::fetch(url, timeout));
}

} // namespace

class UpdateFeedTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versions()
    {
        QVERIFY(newer("1.10", "1.9") && newer("1.10.0", "1.9.9") && newer("2", "1.99.99.99") && newer("1.4.1", "1.4"));
        QVERIFY(same("1.4", "1.4.0") && same("1.4.0.0", "1.4") && same("01.2", "1.2"));
        for (const char *text : {"", "1.", ".1", "1..2", "v1.2", "1.2-beta", "1.2.3.4.5", " 1.2", "1,2", "+1",
                                 "1234567890", "\u0661.\u0662"})
            QVERIFY2(!VersionNumber::parse(QString::fromUtf8(text)), text);
    }

    void feeds()
    {
        const auto full = UpdateFeed::decode(feed("\"1.4.0\"", "\"https://www.pelora.app/c\"", ", \"notes\": \"<b>Baru</b>\""));
        QVERIFY(full);
        QCOMPARE(full->version, QString("1.4.0"));
        QCOMPARE(full->url, QUrl("https://www.pelora.app/c"));
        QCOMPARE(full->notes, QString("<b>Baru</b>"));
        QVERIFY(UpdateFeed::decode(feed("\"2\"", "\"http://[::1]:3000/d\"", ", \"notes\": null")));

        const QByteArray longNotes = ", \"notes\": \"" + QByteArray(5000, 'a') + "\"";
        QCOMPARE(UpdateFeed::decode(feed("\"2\"", "\"https://x.example/\"", longNotes))->notes.size(), 2000);

        const QByteArray page = "\"https://www.pelora.app/c\"";
        for (const QByteArray &body : {QByteArray("not json"), QByteArray("[]"), QByteArray("{}"),
                                       feed("\"1.4.0\"", page).chopped(1), feed("1.4", page), feed("\"1.4-rc\"", page),
                                       feed("\"1.4.0\"", "42"), feed("\"1.4.0\"", "\"http://www.pelora.app/c\""),
                                       feed("\"1.4.0\"", "\"javascript:alert(1)\""), feed("\"1.4.0\"", "\"https://u:p@x.example/\""),
                                       feed("\"1.4.0\"", "\"http://localhost.evil.example/\""),
                                       feed("\"1.4.0\"", page, ", \"notes\": 5")})
            QVERIFY2(!UpdateFeed::decode(body), body.constData());
    }

    // At most 64 KiB; redirects only within the
    // origin; no cookies; a time-out; plain http only on this computer.
    void fetching()
    {
        FixtureServer elsewhere, server;
        QVERIFY(elsewhere.listen() && server.listen());
        const QByteArray away = elsewhere.origin().toEncoded() + "/feed";
        server.setHandler([away](const FixtureServer::Request &request) {
            FixtureServer::Response response = FixtureServer::Response::json(200, "{}");
            if (request.target == "/limit" || request.target == "/big")
                response.body = QByteArray(FeedFetcher::maxBytes + (request.target == "/big"), ' ');
            else if (request.target == "/missing")
                response.status = 404;
            else if (request.target == "/hang")
                response.hang = true;
            else if (request.target == "/moved" || request.target == "/away")
                response = {302, {{"Location", request.target == "/moved" ? QByteArray("/feed") : away}}, {}};
            return response;
        });
        const auto at = [&](const char *path) { return server.origin().resolved(QUrl(path)); };
        QCOMPARE(fetch(at("/limit")), QByteArray(FeedFetcher::maxBytes, ' '));
        QCOMPARE(fetch(at("/big")), std::nullopt);
        QCOMPARE(fetch(at("/missing")), std::nullopt);
        QCOMPARE(fetch(at("/hang"), std::chrono::milliseconds(300)), std::nullopt);
        QCOMPARE(fetch(at("/moved")), QByteArray("{}")); // within the origin
        QCOMPARE(fetch(at("/away")), std::nullopt);       // to another origin: refused
        QCOMPARE(elsewhere.requests().size(), 0);
        QCOMPARE(fetch(QUrl("http://www.pelora.app/u.json")), std::nullopt);
        for (const auto &request : server.requests())
            QVERIFY(request.header("cookie").isEmpty());
    }

    void endlessBodyIsCutOffWhileItArrives()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        qint64 sent = 0;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
            auto *pump = new QTimer(socket);
            connect(pump, &QTimer::timeout, socket, [socket, &sent] {
                // Write only as fast as the reader takes it, so `sent` measures
                // what the fetcher accepted, not how slow a busy machine is.
                if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 64 * 1024)
                    sent += socket->write(QByteArray(16 * 1024, ' '));
            });
            pump->start(5);
        });
        QCOMPARE(fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()))), std::nullopt);
        QVERIFY2(sent < 4 * 1024 * 1024, QByteArray::number(sent).constData());
    }
};

QTEST_GUILESS_MAIN(UpdateFeedTest)
#include "tst_update_feed.moc"
