#include "app/command_line.h"

#include <QTest>

class CommandLineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestsMatchExactlyAnywhere()
    {
        const auto both = CommandLine::requests({"/usr/bin/pelora-companion", "--x", "--sign-in", "--lookup"});
        QVERIFY(both.lookup);
        QVERIFY(both.signIn);

        const auto none = CommandLine::requests(
            {"pelora-companion", "--lookup=1", "--LOOKUP", "-lookup", " --lookup", "--signin", "lookup"});
        QVERIFY(!none.lookup);
        QVERIFY(!none.signIn);
        QVERIFY(!CommandLine::requests({}).lookup);
    }

    void helpAndVersionAreAnsweredAtOnce()
    {
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--lookup"}), std::nullopt);
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--lookup", "--version"}),
                 QString("Pelora Companion " PELORA_VERSION "\n"));
        // Help wins over the version, in either order.
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--version", "--help"}), CommandLine::helpText());
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--help", "--version"}), CommandLine::helpText());
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--help=all"}), std::nullopt);

        const QString help = CommandLine::helpText();
        for (const char *option : {"--lookup", "--sign-in", "--help", "--version", "pelora-companion --lookup"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
