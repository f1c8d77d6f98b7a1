#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks of the stand-in web app.
struct ServerOptions {
    quint16 port = 3000;      // 0 asks the system for a free port
    QString dataFolder;       // where the SQLite file lives
    bool seed = false;        // create the demo accounts if missing
    int lookupAllowance = 30; // lookups per account per minute
    QString updateVersion;    // served by the update feed
    QString updateUrl;        // empty: the server's own download page
    QString cardsFile;        // empty: the built-in phrase cards

    // nullopt with `error` set when the arguments make no sense.
    static std::optional<ServerOptions> parse(const QStringList &arguments, QString *error);
};
