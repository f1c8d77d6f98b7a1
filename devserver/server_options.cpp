#include "server_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

std::optional<ServerOptions> ServerOptions::parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"The stand-in Pelora web app for development, tests and the demo."_s);
    parser.addHelpOption();
    const QCommandLineOption port(u"port"_s, u"Port on 127.0.0.1 (0 picks a free one)."_s, u"port"_s, u"3000"_s);
    const QCommandLineOption data(u"data"_s, u"Folder for the server's database."_s, u"dir"_s);
    const QCommandLineOption seed(u"seed"_s, u"Create the demo accounts if they are missing."_s);
    const QCommandLineOption allowance(u"lookup-allowance"_s, u"Lookups per account per minute."_s, u"n"_s, u"30"_s);
    const QCommandLineOption version(u"update-version"_s, u"Version announced by the update feed."_s, u"version"_s,
                                     QString::fromLatin1(PELORA_VERSION));
    const QCommandLineOption url(u"update-url"_s, u"Page the update feed points to."_s, u"url"_s);
    const QCommandLineOption cards(
        u"cards"_s, u"Phrase cards (JSON) to answer lookups from instead of the built-in ones."_s, u"file"_s);
    parser.addOptions({port, data, seed, allowance, version, url, cards});

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(u"help"_s)) {
        *error = parser.helpText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = u"Unexpected argument: "_s + parser.positionalArguments().constFirst();
        return std::nullopt;
    }

    ServerOptions options;
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        *error = u"--port takes a number from 0 to 65535"_s;
        return std::nullopt;
    }
    options.port = quint16(portNumber);

    options.lookupAllowance = parser.value(allowance).toInt(&ok);
    if (!ok || options.lookupAllowance < 1) {
        *error = u"--lookup-allowance takes a positive number"_s;
        return std::nullopt;
    }

    options.dataFolder = parser.isSet(data)
        ? parser.value(data)
        : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/pelora-devserver"_s;
    if (options.dataFolder.isEmpty()) {
        *error = u"--data needs a folder"_s;
        return std::nullopt;
    }

    options.seed = parser.isSet(seed);
    options.updateVersion = parser.value(version);
    options.updateUrl = parser.value(url);
    options.cardsFile = parser.value(cards);
    if (!options.updateUrl.isEmpty() && !QUrl(options.updateUrl, QUrl::StrictMode).isValid()) {
        *error = u"--update-url takes a URL"_s;
        return std::nullopt;
    }
    return options;
}
