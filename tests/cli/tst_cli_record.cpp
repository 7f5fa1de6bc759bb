#include "CliRun.h"

#include <QRegularExpression>
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

} // namespace

class CliRecordTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void recordForSeconds();
    void interruptLeavesACompleteFile();
    void droppedLinkExits3();
    void badUsage();
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

void CliRecordTest::interruptLeavesACompleteFile()
{
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
    ::kill(pid_t(cli.processId()), SIGINT);
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
    QTest::qWait(100);
    QCOMPARE(readFile(board.received()), QByteArray());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliRecordTest)
#include "tst_cli_record.moc"
