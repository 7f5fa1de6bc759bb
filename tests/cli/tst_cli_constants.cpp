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

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliConstantsTest)
#include "tst_cli_constants.moc"
