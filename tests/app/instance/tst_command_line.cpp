#include "app/command_line.h"

#include <QTest>

class CommandLineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void options()
    {
        const auto both = CommandLine::requests({"/usr/bin/pelora-companion", "--x", "--sign-in", "--lookup"});
        QVERIFY(both.lookup && both.signIn);
        const auto none = CommandLine::requests({"pelora-companion", "--lookup=1", "--LOOKUP", " --lookup", "--signin"});
        QVERIFY(!none.lookup && !none.signIn);

        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--lookup"}), std::nullopt);
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--lookup", "--version"}),
                 QString("Pelora Companion " PELORA_VERSION "\n"));
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--version", "--help"}), CommandLine::helpText());
        QCOMPARE(CommandLine::immediateOutput({"pelora-companion", "--help=all"}), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
