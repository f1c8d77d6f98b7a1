#pragma once

#include <QStringList>
#include <optional>

// The companion's command line. Arguments are compared exactly, wherever they
// stand; anything else on the line is ignored.
namespace CommandLine {

struct Requests {
    bool lookup = false; // "--lookup": open lookup after the first refresh (or toggle it in a running companion)
    bool signIn = false; // "--sign-in": open sign-in when signed out
    bool menu = false;   // "--menu": pop the status menu up at the pointer (for desktops without a tray)
};

Requests requests(const QStringList &arguments);

// The text that "--help" or "--version" asks for (help wins when both are
// given): print it and exit without starting a companion. Nothing otherwise.
std::optional<QString> immediateOutput(const QStringList &arguments);

QString helpText();
QString versionText();

} // namespace CommandLine
