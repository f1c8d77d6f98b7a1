// pelora-devserver: the stand-in Pelora web app on 127.0.0.1, with the pages
// a learner signs in on and the companion API, backed by SQLite.
#include "companion_api.h"
#include "database.h"
#include "demo_accounts.h"
#include "http_router.h"
#include "phrase_collection.h"
#include "server_options.h"
#include "sessions.h"
#include "web_pages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << "pelora-devserver: " << message << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"pelora-devserver"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(PELORA_VERSION));

    QString error;
    const std::optional<ServerOptions> options = ServerOptions::parse(app.arguments(), &error);
    if (!options)
        return fail(error);

    if (!QDir().mkpath(options->dataFolder))
        return fail(u"cannot create the data folder "_s + options->dataFolder);
    QFile::setPermissions(options->dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    Database database;
    if (!database.open(QDir(options->dataFolder).filePath(u"devserver.sqlite"_s), &error))
        return fail(u"cannot open the database: "_s + error);

    // Every card must be complete, or the server does not start at all.
    QFile cardsFile(options->cardsFile.isEmpty() ? u":/devserver/phrase_cards.json"_s : options->cardsFile);
    if (!cardsFile.open(QIODevice::ReadOnly))
        return fail(u"cannot read the phrase cards "_s + cardsFile.fileName());
    const std::optional<PhraseCollection> collection = PhraseCollection::fromJson(cardsFile.readAll(), &error);
    if (!collection)
        return fail(error);

    if (options->seed && !DemoAccounts::ensure(database, *collection))
        return fail(u"cannot create the demo accounts"_s);

    Sessions sessions(database);
    HttpRouter router;
    CompanionApi api(database, sessions, *collection, options->lookupAllowance,
                     {options->updateVersion, options->updateUrl});
    WebPages pages(database, sessions, options->updateVersion);
    api.addRoutes(router);
    pages.addRoutes(router);

    const quint16 port = router.listenOnLoopback(options->port);
    if (port == 0)
        return fail(u"cannot listen on 127.0.0.1:%1"_s.arg(options->port));
    QTextStream(stdout) << "listening on http://localhost:" << port << Qt::endl;
    return app.exec();
}
