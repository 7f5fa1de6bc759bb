#include "CliRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class CliCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void usage_data();
    void usage();
    void helpOfEveryCommand_data();
    void helpOfEveryCommand();
    void constantsHelpNamesBothActions();
    void portsListsComNamesAndDevices();
    void sendOneByteCommands_data();
    void sendOneByteCommands();
    void sendToAMissingPort();
};

void CliCommandsTest::initTestCase()
{
    if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
        QFAIL("skyvane-cli or board-sim is not built");
}

void CliCommandsTest::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("no command") << QStringList{} << 2 << QByteArray("Usage: skyvane-cli COMMAND");
    QTest::newRow("unknown command")
        << QStringList{"erase"} << 2
        << QByteArray("skyvane-cli: unknown command \"erase\" (see --help)\n");
    QTest::newRow("unknown option")
        << QStringList{"ports", "--fast"} << 2 << QByteArray("skyvane-cli: Unknown option 'fast'.");
    QTest::newRow("no port") << QStringList{"send", "alignment"} << 2
                             << QByteArray("skyvane-cli: --port is missing (see --help)\n");
    QTest::newRow("bad speed") << QStringList{"send", "--port", "COM1", "--speed", "fast", "read"}
                               << 2
                               << QByteArray("skyvane-cli: --speed needs a number of bits per "
                                             "second, not \"fast\"\n");
    QTest::newRow("unknown send command")
        << QStringList{"send", "--port", "COM1", "calibrate"} << 2
        << QByteArray("skyvane-cli: unknown command \"calibrate\": alignment, reset, save, read "
                      "or stream\n");
    QTest::newRow("constants without action")
        << QStringList{"constants", "--port", "COM1"} << 2
        << QByteArray("skyvane-cli: constants needs \"get\" or \"set\" (see --help)\n");
    QTest::newRow("constants set without file")
        << QStringList{"constants", "set", "--port", "COM1"} << 2
        << QByteArray("skyvane-cli: --file is missing (see --help)\n");
    QTest::newRow("argument too many")
        << QStringList{"ports", "COM1"} << 2
        << QByteArray("skyvane-cli: unexpected argument \"COM1\" (see --help)\n");
    QTest::newRow("argument missing")
        << QStringList{"encode"} << 2
        << QByteArray("skyvane-cli: an argument is missing (see --help)\n");
    QTest::newRow("zero speed") << QStringList{"send", "--port", "COM1", "--speed", "0", "read"}
                                << 2
                                << QByteArray("skyvane-cli: --speed needs a number of bits per "
                                              "second, not \"0\"\n");
    QTest::newRow("flash without port")
        << QStringList{"flash", "fw.hex"} << 2
        << QByteArray("skyvane-cli: --port is missing (see --help)\n");
    QTest::newRow("reply timeout not a number")
        << QStringList{"flash", "--port", "COM1", "--reply-timeout", "soon", "fw.hex"} << 2
        << QByteArray("skyvane-cli: --reply-timeout needs a positive number of seconds, not "
                      "\"soon\"\n");
    QTest::newRow("reply timeout beyond a timer")
        << QStringList{"flash", "--port", "COM1", "--reply-timeout", "3e6", "fw.hex"} << 2
        << QByteArray("skyvane-cli: --reply-timeout needs a positive number of seconds, not "
                      "\"3e6\"\n");
    QTest::newRow("seconds not a number")
        << QStringList{"record", "--port", "COM1", "--seconds", "long"} << 2
        << QByteArray("skyvane-cli: --seconds needs a positive number, not \"long\"\n");
    QTest::newRow("seconds beyond a timer")
        << QStringList{"stream", "--port", "COM1", "--seconds", "3e6"} << 2
        << QByteArray("skyvane-cli: --seconds needs a positive number, not \"3e6\"\n");
    QTest::newRow("port named twice")
        << QStringList{"stream", "--port", "COM1", "--port", "COM2", "--port", "COM1"} << 2
        << QByteArray("skyvane-cli: a port is named twice\n");
    QTest::newRow("rate beyond a byte pair")
        << QStringList{"stream", "--port", "COM1", "--rate", "65536ms"} << 2
        << QByteArray("skyvane-cli: --rate needs milliseconds from 0 to 65535 (\"33ms\"), not "
                      "\"65536ms\"\n");
}

void CliCommandsTest::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    const CliResult run = RunCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(err), run.err.constData());
    QCOMPARE(run.out, QByteArray());

    const CliResult version = RunCli({"--version"});
    QCOMPARE(version.exitCode, 0);
    // The release, and the commit's date and hash when built from a git clone.
    static const QRegularExpression versionLine(
        QStringLiteral("^skyvane-cli 6\\.0(\\+git20[0-9]{6}\\.[0-9a-f]{7,})?\n$"));
    QVERIFY2(versionLine.match(QString::fromLatin1(version.out)).hasMatch(),
             version.out.constData());
}

void CliCommandsTest::helpOfEveryCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("usageLine");
    QTest::newRow("ports") << QStringList{"ports", "--help"}
                           << QByteArray("Usage: skyvane-cli ports\n");
    QTest::newRow("send") << QStringList{"send", "--help"}
                          << QByteArray("Usage: skyvane-cli send --port P COMMAND\n");
    QTest::newRow("flash") << QStringList{"flash", "--help"}
                           << QByteArray("Usage: skyvane-cli flash --port P [--reply-timeout "
                                         "SECONDS] [--backup FILE | --no-backup] FILE\n       "
                                         "skyvane-cli flash --dry-run FILE\n");
    QTest::newRow("doctor") << QStringList{"doctor", "--help"}
                            << QByteArray("Usage: skyvane-cli doctor --port P [--speed S] [--rate "
                                          "33ms] [--seconds N] [--find-speed]\n");
    QTest::newRow("encode") << QStringList{"encode", "--help"}
                            << QByteArray("Usage: skyvane-cli encode FILE\n");
    QTest::newRow("record") << QStringList{"record", "--help"}
                            << QByteArray("Usage: skyvane-cli record --port P [--port P2 ...] "
                                          "[--speed 115200] [--rate 33ms] [--seconds N] [--out "
                                          "FILE] [--mirror PATH]\n");
    QTest::newRow("stream") << QStringList{"stream", "--help"}
                            << QByteArray("Usage: skyvane-cli stream --port P [--port P2 ...] "
                                          "[--speed 115200] [--rate 33ms] [--seconds N] [--udp "
                                          "HOST:PORT] [--mirror PATH]\n");
    QTest::newRow("constants get")
        << QStringList{"constants", "get", "--help"}
        << QByteArray("Usage: skyvane-cli constants get --port P [--out FILE]\n");
    QTest::newRow("constants set")
        << QStringList{"constants", "set", "-h"}
        << QByteArray("Usage: skyvane-cli constants set --port P --file FILE\n");
    QTest::newRow("program") << QStringList{"--help"}
                             << QByteArray("Usage: skyvane-cli COMMAND [options]\n");
    QTest::newRow("program -h") << QStringList{"-h"}
                                << QByteArray("Usage: skyvane-cli COMMAND [options]\n");
}

void CliCommandsTest::helpOfEveryCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, usageLine);
    const CliResult run = RunCli(args);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(usageLine), run.out.constData());
    QCOMPARE(run.err, QByteArray());
}

void CliCommandsTest::constantsHelpNamesBothActions()
{
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const CliResult run = RunCli({"constants", help});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        const qsizetype set =
            run.out.indexOf("\nUsage: skyvane-cli constants set --port P --file FILE\n");
        QVERIFY2(run.out.startsWith("Usage: skyvane-cli constants get --port P [--out FILE]\n") &&
                     set > 0,
                 run.out.constData());
        // Each action's help names its own file option.
        QVERIFY(run.out.left(set).contains("--out <FILE>"));
        QVERIFY(run.out.mid(set).contains("--file <FILE>"));
    }
}

void CliCommandsTest::portsListsComNamesAndDevices()
{
    const CliResult run = RunCli({"ports"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.endsWith('\n'));
    const QList<QByteArray> lines = run.out.chopped(1).split('\n');
    QVERIFY(lines.size() >= 32);
    QVERIFY2(lines[0] == "COM1\t/dev/ttyS0\t" || lines[0].startsWith("COM1\t/dev/ttyS0\t"),
             lines[0].constData());
    QVERIFY(lines[31].startsWith("COM32\t/dev/ttyS31\t"));
    static const QRegularExpression adapter(QStringLiteral("^COM(3[3-9]|[4-9][0-9])\t/dev/tty"
                                                           "(USB|ACM)[0-9]+\t"));
    for (qsizetype i = 32; i < lines.size(); ++i)
        QVERIFY2(adapter.match(QString::fromUtf8(lines[i])).hasMatch(), lines[i].constData());
}

void CliCommandsTest::sendOneByteCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("alignment") << "alignment" << QByteArray("R");
    QTest::newRow("reset") << "reset" << QByteArray("G");
    QTest::newRow("save") << "save" << QByteArray("3");
    QTest::newRow("read") << "read" << QByteArray(">");
    QTest::newRow("stream") << "stream" << QByteArray("C");
}

void CliCommandsTest::sendOneByteCommands()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    Board board;
    QVERIFY(!board.port().isEmpty());
    const CliResult run = RunCli({"send", "--port", board.port(), command});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, (command + " sent to " + board.port() + ".\n").toUtf8());
    // The board takes the bytes in its own time.
    QTRY_COMPARE(readFile(board.received()), wire);
}

void CliCommandsTest::sendToAMissingPort()
{
    const CliResult run = RunCli({"send", "--port", "/dev/skyvane-none", "reset"});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.err, QByteArray("skyvane-cli: cannot open port /dev/skyvane-none: Invalid port "
                                 "number: /dev/skyvane-none does not exist.\n"));

    Board board({"--drop-after", "1"});
    QVERIFY(!board.port().isEmpty());
    // The board closes the link after its first frame: the stream toggle's wait sees it go.
    const CliResult dropped = RunCli({"send", "--port", board.port(), "stream"});
    QCOMPARE(dropped.exitCode, 3);
    QCOMPARE(dropped.errLines().size(), 1);
    QVERIFY2(dropped.err.contains(board.port().toUtf8()), dropped.err.constData());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliCommandsTest)
#include "tst_cli_commands.moc"
