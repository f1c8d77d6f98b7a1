#include "app/command_line.h"

using namespace Qt::StringLiterals;

namespace CommandLine {

Requests requests(const QStringList &arguments)
{
    Requests found;
    found.lookup = arguments.contains(u"--lookup"_s);
    found.signIn = arguments.contains(u"--sign-in"_s);
    found.menu = arguments.contains(u"--menu"_s);
    return found;
}

std::optional<QString> immediateOutput(const QStringList &arguments)
{
    if (arguments.contains(u"--help"_s))
        return helpText();
    if (arguments.contains(u"--version"_s))
        return versionText();
    return std::nullopt;
}

QString helpText()
{
    return u"Usage: pelora-companion [--lookup] [--sign-in] [--menu]\n"
           u"\n"
           u"Pelora Companion shows phrases from your saved Malay library and looks up new ones.\n"
           u"It runs once per user: started again, it hands these options to the companion\n"
           u"that is already running and exits.\n"
           u"\n"
           u"  --lookup    open phrase lookup (in a running companion: open or close it)\n"
           u"  --sign-in   open the sign-in window when signed out\n"
           u"  --menu      open the menu at the pointer (for desktops without a tray)\n"
           u"  --help      show this help and exit\n"
           u"  --version   show the version and exit\n"
           u"\n"
           u"Where the desktop offers no way to bind Super+M (its menu then says so), bind\n"
           u"the command \"pelora-companion --lookup\" to a shortcut in your desktop's settings.\n"_s;
}

QString versionText()
{
    return u"Pelora Companion " PELORA_VERSION "\n"_s;
}

} // namespace CommandLine
