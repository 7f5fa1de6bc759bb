#include "CliRun.h"

#include <QTest>

#include <cstring>

namespace {

// The virtual board's table as it starts.
const QList<float> BoardTable = {
    1.0f,     1.0f,   1.0f,   0.0125f,  -0.0087f, 0.0213f, 0.0001f, 0.0001f, 0.0001f, 0.5f,
    -0.25f,   0.75f,  1.02f,  0.98f,    1.005f,   -12.25f, 3.5f,    0.002f,  0.98f,   0.02f,
    9.80665f, 100.0f, 0.125f, -0.0005f, 16384.0f, 131.0f,  0.3f,    45.0f,   2.0f,    115200.0f,
};

QByteArray floatBytes(float value)
{
    QByteArray bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// A table reply: "[", the count as a float, the entries.
QByteArray tableReply(const QList<float>& table)
{
    QByteArray reply = "[" + floatBytes(float(table.size()));
    for (float value : table)
        reply += floatBytes(value);
    return reply;
}

// A table file of the board's table with entry 3 at 0.5.
QByteArray tableWith3AtHalf()
{
    QByteArray text;
    for (qsizetype i = 0; i < BoardTable.size(); ++i)
        text += QByteArray::number(i) + ',' +
                (i == 3 ? QByteArray("0.5") : QByteArray::number(BoardTable[i], 'g', 9)) + '\n';
    return text;
}

const QByteArray MissingPortLine = "skyvane-cli: cannot open port /dev/skyvane-none: Invalid port "
                                   "number: /dev/skyvane-none does not exist.\n";

} // namespace

class CliConstantsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void getWritesTheTable();
    void setSendsOnlyTheDifferences();
    void setRefusesABadFile();
    void setRefusesATableOfAnotherLength();
    void setReportsAMismatch();
    void tableFileThatCannotBeWritten();
    void boardThatNeverSendsItsTable();
    void boardLostWhileItsTableIsAwaited();
    void portThatDoesNotOpen();
    void setOfTheBoardsOwnTable();
    void setWhoseReReadFails_data();
    void setWhoseReReadFails();
    void setWhoseBoardIsLost();
};

void CliConstantsTest::initTestCase()
{
    if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
        QFAIL("skyvane-cli or board-sim is not built");
}

void CliConstantsTest::getWritesTheTable()
{
    Board board;
    QVERIFY(!board.port().isEmpty());
    const CliResult run = RunCli({"constants", "get", "--port", board.port()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 33);
    QVERIFY2(lines[0].startsWith("# Skyvane constants, ") &&
                 lines[0].endsWith(", port " + board.port().toUtf8()),
             lines[0].constData());
    QCOMPARE(lines[1], QByteArray("index,value"));
    QCOMPARE(lines[2], QByteArray("0,1"));
    QCOMPARE(lines[5], QByteArray("3,0.0125000002"));
    QCOMPARE(lines[6], QByteArray("4,-0.00870000012"));
    QCOMPARE(lines[17], QByteArray("15,-12.25"));
    QCOMPARE(lines[22], QByteArray("20,9.80665016"));
    QCOMPARE(lines[31], QByteArray("29,115200"));
    QCOMPARE(lines[32], QByteArray());
    QCOMPARE(readFile(board.received()), QByteArray("["));

    const QString out = board.file(QStringLiteral("table.csv"));
    const CliResult toFile = RunCli({"constants", "get", "--port", board.port(), "--out", out});
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(toFile.out, QByteArray());
    QCOMPARE(toFile.err, ("30 constants written to " + out + ".\n").toUtf8());
    QCOMPARE(readFile(out).mid(readFile(out).indexOf('\n')), run.out.mid(run.out.indexOf('\n')));
}

void CliConstantsTest::setSendsOnlyTheDifferences()
{
    Board board;
    const QString path = board.file(QStringLiteral("table.csv"));
    QCOMPARE(RunCli({"constants", "get", "--port", board.port(), "--out", path}).exitCode, 0);
    QByteArray table = readFile(path);
    table.replace("\n3,0.0125000002\n", "\n3,0.5\n").replace("\n15,-12.25\n", "\n15,-1\n");
    QVERIFY(writeFile(path, table));

    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray("Import: 2 changed entries sent.\n30 of 30 entries match.\n"));
    QCOMPARE(readFile(board.received()),
             QByteArray("[" // the get
                        "["
                        "!\x00\x03\x00\x00\x00\x3F"
                        "!\x00\x0F\x00\x00\x80\xBF"
                        "[",
                        1 + 1 + 7 + 7 + 1));

    const CliResult again = RunCli({"constants", "get", "--port", board.port()});
    QVERIFY(again.out.contains("\n3,0.5\n"));
    QVERIFY(again.out.contains("\n15,-1\n"));
}

void CliConstantsTest::setRefusesABadFile()
{
    Board board;
    const QString path = board.file(QStringLiteral("bad.csv"));
    QVERIFY(writeFile(path, "# table\n0,1\n2,1\n"));
    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.errLines().size(), 1);
    QVERIFY2(run.err.startsWith("skyvane-cli: " + path.toUtf8() + ": line 3: ") &&
                 run.err.endsWith(" Nothing was sent.\n"),
             run.err.constData());
    QTest::qWait(100);
    QCOMPARE(readFile(board.received()), QByteArray());

    const CliResult missing =
        RunCli({"constants", "set", "--port", board.port(), "--file", board.file("missing.csv")});
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(missing.err.startsWith("skyvane-cli: cannot read " +
                                   board.file("missing.csv").toUtf8() + ": "));
}

void CliConstantsTest::setRefusesATableOfAnotherLength()
{
    Board board;
    const QString path = board.file(QStringLiteral("short.csv"));
    QVERIFY(writeFile(path, "0,1\n1,2\n"));
    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.errLines().size(), 1);
    QVERIFY2(run.err.endsWith(" Nothing was sent.\n"), run.err.constData());
    // Only the read of the board's table went out.
    QCOMPARE(readFile(board.received()), QByteArray("["));
}

void CliConstantsTest::setReportsAMismatch()
{
    // After its first table the board answers every request with its old table: the update
    // commands change nothing it reports.
    Board board(
        {"--fault-after", "1", "--app-reply", QString::fromLatin1(tableReply(BoardTable).toHex())});
    const QString path = board.file(QStringLiteral("table.csv"));
    QByteArray table = "0,1\n1,1\n2,1\n3,0.5\n";
    for (qsizetype i = 4; i < BoardTable.size(); ++i)
        table += QByteArray::number(i) + ',' + QByteArray::number(BoardTable[i], 'g', 9) + '\n';
    QVERIFY(writeFile(path, table));

    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err,
             QByteArray("Import: 1 changed entry sent.\n29 of 30 entries match; differing: 3.\n"));
    QCOMPARE(readFile(board.received()), QByteArray("[!\x00\x03\x00\x00\x00\x3F[", 9));
}

void CliConstantsTest::tableFileThatCannotBeWritten()
{
    Board board;
    const QString out = board.file(QStringLiteral("no/such/table.csv"));
    const CliResult run = RunCli({"constants", "get", "--port", board.port(), "--out", out});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.errLines().size(), 1);
    QVERIFY2(run.err.startsWith("skyvane-cli: cannot write " + out.toUtf8() + ": "),
             run.err.constData());
    QVERIFY(!QFile::exists(out));
}

void CliConstantsTest::boardThatNeverSendsItsTable()
{
    Board board({"--no-constants-reply"});
    const QByteArray noTable = "skyvane-cli: the board at " + board.port().toUtf8() +
                               " sent no constants table within 3 s\n";
    const CliResult get = RunCli({"constants", "get", "--port", board.port()});
    QCOMPARE(get.exitCode, 1);
    QCOMPARE(get.out, QByteArray());
    QCOMPARE(get.err, noTable);

    const QString path = board.file(QStringLiteral("table.csv"));
    QVERIFY(writeFile(path, tableWith3AtHalf()));
    const CliResult set = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(set.exitCode, 1);
    QCOMPARE(set.err, noTable);
    // Without the board's table nothing can be compared, so nothing is sent.
    QCOMPARE(readFile(board.received()), QByteArray("[["));
}

void CliConstantsTest::boardLostWhileItsTableIsAwaited()
{
    Board board({"--no-constants-reply"});
    QProcess cli;
    cli.start(CliProgram(), {"constants", "get", "--port", board.port()});
    QVERIFY(cli.waitForStarted());
    // The board has the request, and goes away while the tool waits for the reply.
    QTRY_COMPARE_WITH_TIMEOUT(readFile(board.received()), QByteArray("["), 5000);
    board.process->kill();
    const CliResult run = FinishCli(cli, 10000);
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.errLines().size(), 1);
    const QByteArray port = board.port().toUtf8();
    QVERIFY2(run.err.startsWith("skyvane-cli: Link to " + port + " (" + port + ") lost: "),
             run.err.constData());
}

void CliConstantsTest::portThatDoesNotOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(writeFile(path, tableWith3AtHalf()));
    const CliResult get = RunCli({"constants", "get", "--port", "/dev/skyvane-none"});
    QCOMPARE(get.exitCode, 3);
    QCOMPARE(get.err, MissingPortLine);
    const CliResult set =
        RunCli({"constants", "set", "--port", "/dev/skyvane-none", "--file", path});
    QCOMPARE(set.exitCode, 3);
    QCOMPARE(set.err, MissingPortLine);
}

void CliConstantsTest::setOfTheBoardsOwnTable()
{
    Board board;
    const QString path = board.file(QStringLiteral("table.csv"));
    QCOMPARE(RunCli({"constants", "get", "--port", board.port(), "--out", path}).exitCode, 0);
    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err,
             QByteArray("The file matches the board's table (30 entries); nothing was sent.\n"));
    // One read for the get, one for the set, no update.
    QCOMPARE(readFile(board.received()), QByteArray("[["));
}

void CliConstantsTest::setWhoseReReadFails_data()
{
    QTest::addColumn<QStringList>("boardArgs");
    QTest::addColumn<QByteArray>("err");
    // Each board answers the first "[" with its table; what follows is the fault.
    QTest::newRow("no second table")
        << QStringList{"--fault-after", "1", "--silent"}
        << QByteArray("Import: 1 changed entry sent.\n"
                      "The board sent no table back; the 30 entries could not be checked.\n"
                      "skyvane-cli: the board at PORT sent no constants table within 3 s\n");
    QTest::newRow("a shorter second table")
        << QStringList{"--fault-after", "1", "--app-reply",
                       QString::fromLatin1(tableReply({1.0f, 1.0f}).toHex())}
        << QByteArray("Import: 1 changed entry sent.\n"
                      "2 of 30 entries match; differing: 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, "
                      "13, 14, 15, 16, 17, 18, 19, 20, 21 and 8 more.\n");
}

void CliConstantsTest::setWhoseReReadFails()
{
    QFETCH(QStringList, boardArgs);
    QFETCH(QByteArray, err);
    Board board(boardArgs);
    const QString path = board.file(QStringLiteral("table.csv"));
    QVERIFY(writeFile(path, tableWith3AtHalf()));
    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, err.replace("PORT", board.port().toUtf8()));
    QCOMPARE(readFile(board.received()), QByteArray("[!\x00\x03\x00\x00\x00\x3F[", 9));
}

void CliConstantsTest::setWhoseBoardIsLost()
{
    // The link closes after the first table.
    Board board({"--drop-after", "1"});
    const QString path = board.file(QStringLiteral("table.csv"));
    QVERIFY(writeFile(path, tableWith3AtHalf()));
    const CliResult run = RunCli({"constants", "set", "--port", board.port(), "--file", path});
    QCOMPARE(run.exitCode, 3);
    const QByteArray port = board.port().toUtf8();
    QVERIFY2(
        run.errLines().last().startsWith("skyvane-cli: Link to " + port + " (" + port + ") lost: "),
        run.err.constData());
    QCOMPARE(run.err.count("skyvane-cli: "), 1);
    QVERIFY2(!run.err.contains(" entries match"), run.err.constData());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliConstantsTest)
#include "tst_cli_constants.moc"
