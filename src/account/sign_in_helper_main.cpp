// pelora-sign-in: the companion's sign-in window in a process of its own, so
// that Qt WebEngine's memory and helper processes go when the window closes.
//   pelora-sign-in <storage folder>   (standard input: the companion's socket)
#include "account/logging_defaults.h"
#include "account/sign_in_helper.h"

#include <QApplication>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // The channel moves off standard input to a descriptor the engine's own
    // processes do not inherit: the helper must see it close when the
    // companion ends. Standard input and output then lead nowhere.
    const int channel = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (channel < 0 || nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fputs("pelora-sign-in: no channel to the companion\n", stderr);
        return 2;
    }
    ::close(nothing);

    // Quiet as the companion: Qt's chatter (the engine's report of its OpenGL
    // set-up at every start) off unless QT_LOGGING_RULES asks for it.
    LoggingDefaults::install();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // Qt WebEngine composites with OpenGL
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Pelora"_s);
    QApplication::setApplicationName(u"PeloraCompanion"_s);
    QApplication::setApplicationVersion(QString::fromLatin1(PELORA_VERSION));
    QApplication::setDesktopFileName(
        QString::fromLatin1(PELORA_APP_ID)); // the desktop shows the window as the companion's
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2 || arguments.at(1).isEmpty()) {
        std::fputs("usage: pelora-sign-in <storage folder> (started by pelora-companion)\n", stderr);
        return 2;
    }

    SignInHelper helper(arguments.at(1), channel);
    QObject::connect(&helper, &SignInHelper::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return QApplication::exec();
}
