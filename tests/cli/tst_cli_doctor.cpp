#include "CliRun.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// skyvane-cli doctor against the virtual board: a board that answers, a silent one, one that
// talks at another speed, and a port another process holds.
class CliDoctorTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
            QFAIL("skyvane-cli or board-sim is not built");
    }

    void boardThatAnswers()
    {
        Board board;
        const CliResult run = RunCli({"doctor", "--port", board.port(), "--rate", "10ms"});
        const QString report = QString::fromUtf8(run.out);
        QVERIFY2(run.exitCode == 0, qPrintable(report + run.err));
        QVERIFY(report.startsWith("Check the Link: " + board.port() +
                                  " at 115200 Bd, polled every 10 ms, "));
        for (const char* section : {"\nDevice\n", "\nAccess\n", "\nLatency\n", "\nRound trip\n"})
            QVERIFY2(report.contains(section), section);
        QVERIFY(report.contains("  ok       on the wire at 115200 Bd: 6.42 ms for the 74-byte "
                                "frame, 0.09 ms for \"F\""));
        QVERIFY(report.contains("frames lost: 0 of 100\n"));
    }

    void silentBoard()
    {
        Board board({"--silent"});
        const CliResult run = RunCli({"doctor", "--port", board.port()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains("  problem  no frame came back to 5 \"F\" requests at 115200 "
                                 "Bd"));
        QVERIFY(run.out.contains(
            ("           skyvane-cli doctor --port " + board.port() + " --find-speed\n").toUtf8()));
    }

    void speedFound()
    {
        Board board({"--speed", "57600"});
        const CliResult run = RunCli({"doctor", "--port", board.port(), "--find-speed"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains("  problem  the board answers at 57600 Bd, not at 115200 Bd: "
                                  "use 57600\n"),
                 run.out.constData());
        QVERIFY(run.out.contains(
            ("skyvane-cli doctor --port " + board.port() + " --speed 57600\n").toUtf8()));
        QVERIFY(run.out.contains("  ok       the port is back at 115200 Bd\n"));
        // "F" at 115200 (the user's), then the list from 1200 up to 57600; nothing else.
        QCOMPARE(readFile(board.received()), QByteArray(9, 'F'));

        const CliResult right = RunCli({"doctor", "--port", board.port(), "--speed", "57600"});
        QVERIFY2(right.out.contains("over 100 polls"), right.out.constData());
    }

    // Another program has the port open: the report names it with its process id.
    void heldByAnotherProcess()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath("ttyFAKE0");
        QVERIFY(writeFile(device, QByteArray()));
        QProcess holder;
        holder.setStandardInputFile(device);
        holder.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        const qint64 pid = holder.processId();
        const CliResult run = RunCli({"doctor", "--port", device});
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(
                     QStringLiteral("  problem  sleep (process %1) has it open").arg(pid).toUtf8()),
                 run.out.constData());
        QVERIFY(run.out.contains(QStringLiteral("           kill %1\n").arg(pid).toUtf8()));
    }

    void badUsage()
    {
        QCOMPARE(RunCli({"doctor"}).exitCode, 2);
        QCOMPARE(RunCli({"doctor", "--port", "COM1", "--rate", "fast"}).exitCode, 2);
        QCOMPARE(RunCli({"doctor", "--port", "COM1", "--seconds", "-1"}).exitCode, 2);
        QCOMPARE(RunCli({"doctor", "--port", "COM1", "--low-latency", "maybe"}).exitCode, 2);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliDoctorTest)
#include "tst_cli_doctor.moc"
