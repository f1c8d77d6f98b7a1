// End to end against the stand-in web app: look up and save through the model and real client; find it in the feed.
#include "devserver/devserver_harness.h"
#include "lookup/api/memory_session_cookies.h"
#include "lookup/companion_phrase_api.h"
#include "lookup/phrase_lookup_model.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

class LookupDevServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookUpPreviewSaveAndFindItInTheFeed()
    {
        DevServerProcess server;
        HttpClient client;
        QVERIFY(server.start({u"--seed"_s}));
        const QByteArray cookie = signIn(client, server, u"new@pelora.test"_s, u"selamat-datang"_s); // empty library
        MemorySessionCookies session;
        session.signIn(cookie.mid(cookie.indexOf('=') + 1));
        const auto feed = [&] { return client.get(server.url(u"/api/companion/phrases"_s), cookie).json(); };
        PhraseLookupModel model;
        const QString userID = feed().value("userId"_L1).toString();
        model.connect(std::make_unique<CompanionPhraseAPI>(server.url(QString()), userID, &session));
        model.setQuery(u"  nasi lemak to take away  "_s);
        model.lookup();
        QTRY_COMPARE_WITH_TIMEOUT(model.phaseName(), u"preview"_s, 10'000);
        model.save();
        QTRY_COMPARE_WITH_TIMEOUT(model.phaseName(), u"saved"_s, 10'000);
        const QJsonArray phrases = feed().value("phrases"_L1).toArray();
        QCOMPARE(phrases.size(), 1);
        QCOMPARE(phrases.first().toObject().value("malay"_L1).toString(), model.phrase()->malay);
    }
};

QTEST_GUILESS_MAIN(LookupDevServerTest)
#include "tst_lookup_devserver.moc"
