#include "app/command_line.h"

namespace CommandLine {

Requests requests(const QStringList &arguments)
{
    Requests found;
    found.lookup = arguments.contains(QStringLiteral("--lookup"));
    found.signIn = arguments.contains(QStringLiteral("--sign-in"));
    found.menu = arguments.contains(QStringLiteral("--menu"));
    return found;
}

std::optional<QString> immediateOutput(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("--help")))
        return helpText();
    if (arguments.contains(QStringLiteral("--version")))
        return versionText();
    return std::nullopt;
}

QString helpText()
{
    return QStringLiteral("Usage: pelora-companion [--lookup] [--sign-in] [--menu]\n"
                          "\n"
                          "Pelora Companion shows phrases from your saved Malay library and looks up new ones.\n"
                          "It runs once per user: started again, it hands these options to the companion\n"
                          "that is already running and exits.\n"
                          "\n"
                          "  --lookup    open phrase lookup (in a running companion: open or close it)\n"
                          "  --sign-in   open the sign-in window when signed out\n"
                          "  --menu      open the menu at the pointer (for desktops without a tray)\n"
                          "  --help      show this help and exit\n"
                          "  --version   show the version and exit\n"
                          "\n"
                          "Where the desktop offers no way to bind Super+M (its menu then says so), bind\n"
                          "the command \"pelora-companion --lookup\" to a shortcut in your desktop's settings.\n");
}

QString versionText()
{
    return QStringLiteral("Pelora Companion " PELORA_VERSION "\n");
}

} // namespace CommandLine
