#include "CliRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

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

// A pseudo-terminal whose slave a recording is linked to, read here on the master side. Its
// descriptors close on exec: the program must not hold the master open itself.
struct OutputTerminal
{
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    int slave = -1;
    QString path;

    OutputTerminal()
    {
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(::ptsname(master));
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        // Raw, so the lines arrive as written; kept open, so no hang-up comes in between.
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    ~OutputTerminal()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    QByteArray readAvailable()
    {
        QByteArray out;
        char buffer[4096];
        ssize_t n = 0;
        while (master >= 0 && (n = ::read(master, buffer, sizeof buffer)) > 0)
            out.append(buffer, n);
        return out;
    }
    // From now on every write to the slave fails.
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
};

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
    void fileThatCannotBeWrittenEndsItsRecording();
    void recordsOverTheNetworkLink();
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

void CliRecordTest::fileThatCannotBeWrittenEndsItsRecording()
{
    // Each board's file is a link to a pseudo-terminal that the test reads: once the test
    // closes its side, every write there fails, as on a device that went away.
    Board first;
    Board second;
    OutputTerminal firstOut;
    OutputTerminal secondOut;
    QVERIFY(firstOut.slave >= 0 && secondOut.slave >= 0);
    const QString folder = first.file(QStringLiteral("flight"));
    QVERIFY(QDir().mkpath(folder));
    const QString firstFile = folder + "/" + QFileInfo(first.port()).fileName() + ".csv";
    const QString secondFile = folder + "/" + QFileInfo(second.port()).fileName() + ".csv";
    QVERIFY(QFile::link(firstOut.path, firstFile));
    QVERIFY(QFile::link(secondOut.path, secondFile));

    QProcess cli;
    cli.start(CliProgram(), {"record", "--port", first.port(), "--port", second.port(), "--rate",
                             "20ms", "--seconds", "60", "--out", folder});
    QVERIFY(cli.waitForStarted());
    cli.setReadChannel(QProcess::StandardError);
    const QByteArray p1 = first.port().toUtf8() + ": ";
    const QByteArray p2 = second.port().toUtf8() + ": ";
    QByteArray err;
    QByteArray written;
    // Reads on until the condition holds (false after 10 s); the second file is always read.
    const auto readUntil = [&](const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000) {
            cli.waitForReadyRead(50);
            err += cli.readAllStandardError();
            written += firstOut.readAvailable();
            secondOut.readAvailable();
        }
        return done();
    };
    QVERIFY2(readUntil([&] { return dataRows(written).size() >= 10; }), written.constData());
    firstOut.closeMaster();
    const QByteArray firstFailed =
        "\n" + p1 + "Recording stopped: cannot write " + firstFile.toUtf8() + ": ";
    // The second board reports on alone.
    QVERIFY2(readUntil([&] {
                 const qsizetype failed = err.indexOf(firstFailed);
                 return failed >= 0 && err.indexOf("\n" + p2, failed + 1) >= 0 &&
                        err.mid(failed).contains(" frames/s, ");
             }),
             err.constData());
    secondOut.closeMaster();
    const CliResult run = FinishCli(cli, 10000);
    // With no file left the command ends, and a write failure is a failure.
    QCOMPARE(run.exitCode, 1);
    err += run.err;

    const QList<QByteArray> lines = err.trimmed().split('\n');
    QVERIFY2(lines.last().startsWith(p2 + "Recording stopped: cannot write " + secondFile.toUtf8() +
                                     ": "),
             err.constData());
    const qsizetype failedAt = err.indexOf(firstFailed);
    QVERIFY2(!err.mid(failedAt + firstFailed.size()).contains("\n" + p1), err.constData());
    QVERIFY(!err.contains("frames, 0.0 s") && !err.contains(" s in "));

    QVERIFY2(written.startsWith("# Skyvane recording started "), written.left(80).constData());
    // The rows that came through before the reader went; a pseudo-terminal may pass on the end
    // of a write only later, so what follows the last line end was cut by the test, not written
    // short.
    const QList<QByteArray> rows = dataRows(written.left(written.lastIndexOf('\n') + 1));
    QVERIFY(rows.size() >= 10);
    for (const QByteArray& row : rows)
        QVERIFY2(wholeRow(row), row.constData());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliRecordTest)
#include "tst_cli_record.moc"

// Two boards behind serial servers (the virtual board's TCP port): the same frames and values as
// over a serial line, each in a file named after its address.
void CliRecordTest::recordsOverTheNetworkLink()
{
    Board first({"--tcp", "0", "--fixed", "10,20,30"});
    Board second({"--tcp", "0", "--fixed", "-5,0,90"});
    const QString firstPort = first.process->networkPort();
    const QString secondPort = second.process->networkPort();
    QVERIFY(firstPort.startsWith("socket://127.0.0.1:"));
    const QString out = first.file(QStringLiteral("boards"));
    const CliResult run = RunCli({"record", "--port", firstPort, "--port", secondPort, "--rate",
                                  "50ms", "--seconds", "1.5", "--out", out});
    QCOMPARE(run.exitCode, 0);

    const auto fileOf = [&](const QString& port) {
        return QDir(out).filePath("127.0.0.1-" + port.section(':', -1) + ".csv");
    };
    const QList<std::pair<QString, QByteArray>> expected = {
        {fileOf(firstPort), ",F,0.17453292,0.34906584,0.52359879,"},
        {fileOf(secondPort), ",F,-0.0872664601,0,1.57079637,"}};
    for (const auto& [path, angles] : expected) {
        const QByteArray file = readFile(path);
        QVERIFY2(!file.isEmpty(), qPrintable(path + " is missing or empty"));
        const QList<QByteArray> rows = dataRows(file);
        QVERIFY2(rows.size() >= 15, QByteArray::number(rows.size()).constData());
        for (const QByteArray& row : rows) {
            QVERIFY2(wholeRow(row), row.constData());
            QVERIFY2(row.contains(angles), row.constData());
        }
    }
    const QByteArray received = readFile(first.received());
    QVERIFY(received.size() >= 15);
    QCOMPARE(received, QByteArray(received.size(), 'F'));
}
