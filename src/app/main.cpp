// pelora-companion: a tray-only program; everything else is the controller's.
#include "account/logging_defaults.h"
#include "account/sign_in_on_demand.h"
#include "app/command_line.h"
#include "app/companion_delegate.h"
#include "app/single_instance.h"
#include "app/system_events.h"
#include "app/termination_signals.h"
#include "card/quick_renderer.h"
#include "lookup/portal_global_shortcut.h"
#include "schedule/preferences.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    LoggingDefaults::install();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> text = CommandLine::immediateOutput(arguments)) {
        std::fputs(qPrintable(*text), stdout);
        return 0;
    }

    // The card must sit in a chosen corner and the shortcut needs a key grab,
    // which Wayland allows no program: run through XWayland unless the
    // learner chose a platform.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland"_L1 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    // Drawn in software where OpenGL would be anyway.
    QuickRenderer::chooseForMachine();
    QApplication app(argc, argv);
    // Settings and sign-in data keep the folders these two names give them;
    // desktops know the program by its application id (app.pelora.Companion).
    QApplication::setOrganizationName(u"Pelora"_s);
    QApplication::setApplicationName(u"PeloraCompanion"_s);
    QApplication::setApplicationVersion(QString::fromLatin1(PELORA_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(PELORA_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.listen()) {
        // Another companion runs: it takes over this launch's commands.
        return SingleInstance::forward(arguments) ? 0 : 1;
    }

    // Before anything else talks to the desktop portal, which takes the
    // program's identity only ahead of every other call.
    PortalGlobalShortcut::registerHostApp(QDBusConnection::sessionBus());

    int status = 0;
    {
        CompanionDelegate::Environment environment;
        // Qt WebEngine runs only in the sign-in helper, while sign-in shows.
        environment.session = std::make_unique<SignInOnDemand>(SignInOnDemand::defaultStorageFolder(),
                                                               SignInOnDemand::defaultHelperProgram());
        environment.arguments = arguments;
        environment.preferences = &Preferences::standard();
        CompanionDelegate delegate(std::move(environment));

        SystemEvents events(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
        QObject::connect(&events, &SystemEvents::suspend, &delegate, &CompanionDelegate::suspend);
        QObject::connect(&events, &SystemEvents::wake, &delegate, &CompanionDelegate::wake);
        QObject::connect(&events, &SystemEvents::screensChanged, &delegate, &CompanionDelegate::screensChanged);

        QObject::connect(&instance, &SingleInstance::argumentsReceived, &delegate,
                         &CompanionDelegate::handleForwardedArguments);
        TerminationSignals signals_(&app); // SIGINT and SIGTERM quit in order
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&] {
            delegate.applicationWillTerminate();
            events.stop();
        });

        QTimer::singleShot(0, &delegate, &CompanionDelegate::applicationDidFinishLaunching);
        status = QApplication::exec();
    }
    // The controller, and with it a sign-in helper that still runs, are gone
    // before the application object.
    return status;
}
