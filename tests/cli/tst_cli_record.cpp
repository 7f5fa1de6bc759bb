#include "CliRun.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

namespace {

// The data rows of a recording file (not the "#" lines, not the header row), each checked to
// be a whole F row: a time, "F" and the frame's 18 floats.
QList<QByteArray> dataRows(const QByteArray& file)
{
    QList<QByteArray> rows;
    for (const QByteArray& line : file.split('\n')) {
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("time,"))
            continue;
        rows.append(line);
    }
    return rows;
}

bool wholeRow(const QByteArray& row)
{
    static const QRegularExpression shape(
        QStringLiteral("^\\d+\\.\\d{6},F(,[-+0-9.e]+|,-?nan|,-?inf){18}$"));
    return shape.match(QString::fromLatin1(row)).hasMatch();
}

double rowTime(const QByteArray& row)
{
    return row.left(row.indexOf(',')).toDouble();
}

// skyvane-cli run in a working folder of the test's own.
CliResult runCliIn(const QString& folder, const QStringList& args)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(CliProgram(), args);
    return FinishCli(process, 60000);
}

} // namespace

class CliRecordTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void recordForSeconds();
    void interruptLeavesACompleteFile_data();
    void interruptLeavesACompleteFile();
    void droppedLinkExits3();
    void badUsage();
    void namesOfTheFilesByDefault();
    void noRateAsksForNothing();
    void fileThatCannotGrowEndsItsRecording();
};

void CliRecordTest::initTestCase()
{
    if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
        QFAIL("skyvane-cli or board-sim is not built");
}

void CliRecordTest::recordForSeconds()
{
    Board board;
    const QString out = board.file(QStringLiteral("rec.csv"));
    const CliResult run = RunCli(
        {"record", "--port", board.port(), "--rate", "50ms", "--seconds", "2.2", "--out", out});
    QCOMPARE(run.exitCode, 0);

    const QByteArray file = readFile(out);
    QVERIFY2(file.startsWith("# Skyvane recording started "), file.left(80).constData());
    QVERIFY(file.contains(", port " + board.port().toUtf8() + ", 115200 baud, polling 50 ms\n"));
    QVERIFY(file.endsWith('\n'));
    const QList<QByteArray> rows = dataRows(file);
    // 2.2 s at 50 ms: about 44 requests.
    QVERIFY2(rows.size() >= 30 && rows.size() <= 46, QByteArray::number(rows.size()).constData());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QVERIFY2(wholeRow(rows[i]), rows[i].constData());
        if (i > 0)
            QVERIFY(rowTime(rows[i]) > rowTime(rows[i - 1]));
    }
    // The board was only asked for frames.
    const QByteArray received = readFile(board.received());
    QCOMPARE(received, QByteArray(received.size(), 'F'));
    QVERIFY(received.size() >= rows.size());

    const QList<QByteArray> err = run.errLines();
    QCOMPARE(err.first(), "Recording to " + out.toUtf8());
    QVERIFY2(err.last().startsWith("Recording stopped: " + QByteArray::number(rows.size()) +
                                   " frames, "),
             err.last().constData());
    static const QRegularExpression status(
        QStringLiteral("^\\d+ frames, \\d+ frames/s, \\d+ bytes$"));
    const QList<QByteArray> statusLines = err.mid(1, err.size() - 2);
    QCOMPARE(statusLines.size(), 2);
    for (const QByteArray& line : statusLines)
        QVERIFY2(status.match(QString::fromLatin1(line)).hasMatch(), line.constData());
}

void CliRecordTest::interruptLeavesACompleteFile_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl+C") << int(SIGINT);
    QTest::newRow("terminated") << int(SIGTERM);
}

void CliRecordTest::interruptLeavesACompleteFile()
{
    QFETCH(int, signalNumber);
    Board board;
    const QString out = board.file(QStringLiteral("rec.csv"));
    QProcess cli;
    cli.start(CliProgram(), {"record", "--port", board.port(), "--out", out});
    QVERIFY(cli.waitForStarted());
    cli.setReadChannel(QProcess::StandardError);
    // The first status line comes after one second of recording.
    QByteArray err;
    while (!err.contains(" frames/s, ") && cli.waitForReadyRead(5000))
        err += cli.readAllStandardError();
    QVERIFY2(err.contains(" frames/s, "), err.constData());
    ::kill(pid_t(cli.processId()), signalNumber);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
    err += cli.readAllStandardError();
    QVERIFY2(err.trimmed().split('\n').last().startsWith("Recording stopped: "), err.constData());

    const QByteArray file = readFile(out);
    QVERIFY(file.endsWith('\n'));
    const QList<QByteArray> rows = dataRows(file);
    QVERIFY(rows.size() >= 20);
    for (const QByteArray& row : rows)
        QVERIFY2(wholeRow(row), row.constData());
}

void CliRecordTest::droppedLinkExits3()
{
    Board board({"--drop-after", "10"});
    const QString out = board.file(QStringLiteral("rec.csv"));
    const CliResult run =
        RunCli({"record", "--port", board.port(), "--seconds", "10", "--out", out});
    QCOMPARE(run.exitCode, 3);
    // The file is closed complete, then the one error line names the port.
    const QList<QByteArray> err = run.errLines();
    QVERIFY2(err.size() >= 3, run.err.constData());
    QVERIFY(err[err.size() - 2].startsWith("Recording stopped: 10 frames, "));
    const QByteArray link =
        "skyvane-cli: Link to " + board.port().toUtf8() + " (" + board.port().toUtf8() + ") lost: ";
    QVERIFY2(err.last() == link + "the device is gone. Port closed." ||
                 err.last() == link + "reading from the device failed. Port closed.",
             run.err.constData());
    const QList<QByteArray> rows = dataRows(readFile(out));
    QCOMPARE(rows.size(), 10);
    for (const QByteArray& row : rows)
        QVERIFY2(wholeRow(row), row.constData());
}

void CliRecordTest::badUsage()
{
    Board board;
    const CliResult rate = RunCli({"record", "--port", board.port(), "--rate", "fast"});
    QCOMPARE(rate.exitCode, 2);
    QCOMPARE(rate.err, QByteArray("skyvane-cli: --rate needs milliseconds from 0 to 65535 "
                                  "(\"33ms\"), not \"fast\"\n"));
    const CliResult seconds = RunCli({"record", "--port", board.port(), "--seconds", "-1"});
    QCOMPARE(seconds.exitCode, 2);
    const QString out = board.file(QStringLiteral("no/such/folder/rec.csv"));
    const CliResult file = RunCli({"record", "--port", board.port(), "--out", out});
    QCOMPARE(file.exitCode, 2);
    QVERIFY2(file.err.startsWith("Recording stopped: cannot write " + out.toUtf8() + ": "),
             file.err.constData());

    // Two device paths with one file name, and a folder under a plain file: refused before
    // any port is opened.
    const QString folder = board.file(QStringLiteral("flight"));
    const CliResult twins = RunCli({"record", "--port", "/dev/skyvane-a/ttyUSB0", "--port",
                                    "/dev/skyvane-b/ttyUSB0", "--out", folder});
    QCOMPARE(twins.exitCode, 2);
    QCOMPARE(
        twins.err,
        ("skyvane-cli: two ports would write the same file " + folder + "/ttyUSB0.csv\n").toUtf8());
    QVERIFY(writeFile(board.file(QStringLiteral("plain")), "x"));
    const QString under = board.file(QStringLiteral("plain/flight"));
    const CliResult noFolder =
        RunCli({"record", "--port", board.port(), "--port", "/dev/skyvane-none", "--out", under});
    QCOMPARE(noFolder.exitCode, 2);
    QCOMPARE(noFolder.err, ("skyvane-cli: cannot make the folder " + under + "\n").toUtf8());
    QTest::qWait(100);
    QCOMPARE(readFile(board.received()), QByteArray());
}

void CliRecordTest::namesOfTheFilesByDefault()
{
    Board first;
    Board second;
    QTemporaryDir work;
    static const QRegularExpression stamp(QStringLiteral("^skyvane-\\d{8}-\\d{6}$"));

    const CliResult one = runCliIn(
        work.path(), {"record", "--port", first.port(), "--rate", "50ms", "--seconds", "0.5"});
    QCOMPARE(one.exitCode, 0);
    const QStringList files = QDir(work.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString name = files.first();
    QVERIFY2(name.endsWith(QStringLiteral(".csv")) && stamp.match(name.chopped(4)).hasMatch(),
             qPrintable(name));
    QCOMPARE(one.errLines().first(), "Recording to " + name.toUtf8());
    QVERIFY(dataRows(readFile(work.filePath(name))).size() >= 1);

    QVERIFY(QFile::remove(work.filePath(name)));
    const CliResult two = runCliIn(work.path(), {"record", "--port", first.port(), "--port",
                                                 second.port(), "--seconds", "0.5"});
    QCOMPARE(two.exitCode, 0);
    const QStringList folders = QDir(work.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    QVERIFY2(stamp.match(folders.first()).hasMatch(), qPrintable(folders.first()));
    QStringList expected = {QFileInfo(first.port()).fileName() + ".csv",
                            QFileInfo(second.port()).fileName() + ".csv"};
    expected.sort();
    QCOMPARE(QDir(work.filePath(folders.first())).entryList(QDir::Files, QDir::Name), expected);
}

void CliRecordTest::noRateAsksForNothing()
{
    Board board;
    const QString out = board.file(QStringLiteral("rec.csv"));
    const CliResult run = RunCli(
        {"record", "--port", board.port(), "--rate", "0ms", "--seconds", "1.3", "--out", out});
    QCOMPARE(run.exitCode, 0);
    const QByteArray file = readFile(out);
    QVERIFY2(file.contains(", polling 0 ms\n"), file.constData());
    QCOMPARE(dataRows(file).size(), 0);
    QCOMPARE(
        run.errLines(),
        (QList<QByteArray>{"Recording to " + out.toUtf8(),
                           "0 frames, 0 frames/s, " + QByteArray::number(file.size()) + " bytes",
                           "Recording stopped: 0 frames, 0.0 s in " + out.toUtf8()}));
    QTest::qWait(100);
    QCOMPARE(readFile(board.received()), QByteArray());
}

void CliRecordTest::fileThatCannotGrowEndsItsRecording()
{
    // Files of at most 16384 bytes, as on a disk that fills up; a write beyond fails (EFBIG)
    // instead of ending the process. The second board's G rows are shorter: its file fills
    // later, and the first one's stopped recording reports nothing meanwhile.
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (prlimit.isEmpty())
        QSKIP("prlimit (util-linux) is not installed");
    Board first;
    Board second({"--frame", "G"});
    const QString folder = first.file(QStringLiteral("flight"));
    const QString firstFile = folder + "/" + QFileInfo(first.port()).fileName() + ".csv";
    const QString secondFile = folder + "/" + QFileInfo(second.port()).fileName() + ".csv";
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {"-c", "trap '' XFSZ; exec \"$@\"", "sh", prlimit, "--fsize=16384", "--",
                 CliProgram(), "record", "--port", first.port(), "--port", second.port(), "--rate",
                 "20ms", "--seconds", "60", "--out", folder});
    const CliResult run = FinishCli(shell, 60000);
    QCOMPARE(run.exitCode, 1);

    const QList<QByteArray> err = run.errLines();
    const auto indexStarting = [&err](const QByteArray& start) {
        for (qsizetype i = 0; i < err.size(); ++i)
            if (err[i].startsWith(start))
                return i;
        return qsizetype(-1);
    };
    const QByteArray p1 = first.port().toUtf8() + ": ";
    const QByteArray p2 = second.port().toUtf8() + ": ";
    const qsizetype firstFailed =
        indexStarting(p1 + "Recording stopped: cannot write " + firstFile.toUtf8() + ": ");
    const qsizetype secondFailed =
        indexStarting(p2 + "Recording stopped: cannot write " + secondFile.toUtf8() + ": ");
    QVERIFY2(firstFailed > 1 && secondFailed > firstFailed, run.err.constData());
    // The command ends when the last file fails.
    QCOMPARE(secondFailed, err.size() - 1);
    for (qsizetype i = firstFailed + 1; i < err.size(); ++i)
        QVERIFY2(!err[i].startsWith(p1), run.err.constData());

    for (const QString& path : {firstFile, secondFile}) {
        QVERIFY(QFileInfo(path).size() <= 16384);
        QVERIFY(readFile(path).startsWith("# Skyvane recording started "));
    }
    // Whole rows up to the one cut at the limit.
    const QList<QByteArray> rows = dataRows(readFile(firstFile));
    QVERIFY2(rows.size() >= 20, QByteArray::number(rows.size()).constData());
    for (qsizetype i = 0; i + 1 < rows.size(); ++i)
        QVERIFY2(wholeRow(rows[i]), rows[i].constData());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliRecordTest)
#include "tst_cli_record.moc"
