#include "constants/ConstantsImport.h"

#include "support/Bytes.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"

#include <QTest>

using namespace ConstantsImport;

namespace {

// The window's side of an import: a fake port, the log, and a board whose table the read
// request refreshes from what the test says the board holds after the updates.
struct Rig
{
    Rig()
    {
        link.port.setPortOpen(true);
        steps.send = [this](const QByteArray& bytes) {
            events.append(QStringLiteral("send ") + QString::fromLatin1(bytes.toHex(' ')));
            link.SendCommand(bytes);
        };
        steps.pause = [this](int ms) { events.append(QStringLiteral("pause %1").arg(ms)); };
        steps.requestTable = [this] {
            events.append(QStringLiteral("request"));
            link.SendCommand(QByteArrayLiteral("["));
            board = boardAfter;
        };
        steps.boardTable = [this] { return board; };
        steps.confirm = [this](const QList<ConstantDifference>& differences) {
            shown = differences;
            ++confirmations;
            return answer;
        };
        steps.log = [this](const QString& line) { log.AddLog(line); };
    }

    MemoryLogger log;
    FakeLink link{log};
    Steps steps;
    QStringList events;
    QList<float> board;
    QList<float> boardAfter;
    QList<ConstantDifference> shown;
    int confirmations = 0;
    bool answer = true;
};

} // namespace

class TestConstantsImport : public QObject
{
    Q_OBJECT
private slots:
    void sendsOnlyTheDifferences();
    void sendSequence();
    void refusedFileSendsNothing_data();
    void refusedFileSendsNothing();
    void equalFileSendsNothing();
    void cancelledSendsNothing();
    void closedPort();
    void matchTexts();
};

void TestConstantsImport::sendsOnlyTheDifferences()
{
    Rig rig;
    rig.board = {1.0f, 0.5f, -2.0f, 4.0f};
    rig.boardAfter = {1.0f, 3.5f, -2.0f, 4.0f};
    const QByteArray file = "# Skyvane constants, 2026-12-07 15:04:05, port COM3\n"
                            "0,1\n1,3.5\n2,-2\n3,8\n";
    QCOMPARE(importTable(file, rig.steps), 2);

    QCOMPARE(rig.confirmations, 1);
    QCOMPARE(rig.shown.size(), 2);
    QCOMPARE(rig.shown[0].index, 1);
    QCOMPARE(rig.shown[1].index, 3);
    // "!" 00 01 3.5, "!" 00 03 8, then the read request.
    QCOMPARE(rig.link.port.written, hex("21 00 01 00 00 60 40  21 00 03 00 00 00 41  5b"));
    QCOMPARE(rig.events, QStringList({"send 21 00 01 00 00 60 40", "pause 800",
                                      "send 21 00 03 00 00 00 41", "pause 800", "request"}));
    QCOMPARE(rig.log.lines, QStringList({"Import: 2 changed entries sent.",
                                         "3 of 4 entries match; differing: 3."}));
}

void TestConstantsImport::sendSequence()
{
    Rig rig;
    // Index 300 goes out as high 1, low 44; an index beyond two bytes cannot be sent.
    sendChanges({{300, 0.0f, -2.0f}, {65536, 0.0f, 1.0f}, {12, 1.0f, 0.125f}}, rig.steps.send,
                rig.steps.pause, rig.steps.requestTable);
    QCOMPARE(rig.link.port.written, hex("21 01 2c 00 00 00 c0  21 00 0c 00 00 00 3e  5b"));
    QCOMPARE(rig.events, QStringList({"send 21 01 2c 00 00 00 c0", "pause 800",
                                      "send 21 00 0c 00 00 00 3e", "pause 800", "request"}));

    Rig empty;
    sendChanges({}, empty.steps.send, empty.steps.pause, empty.steps.requestTable);
    QCOMPARE(empty.events, QStringList({"request"}));
}

void TestConstantsImport::refusedFileSendsNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("line");
    QTest::newRow("bad third line") << QByteArray("0,9\n1,9\n2,x\n")
                                    << "Import refused: line 3: \"x\" is not a number. Nothing was "
                                       "sent.";
    QTest::newRow("fewer entries") << QByteArray("0,9\n1,9\n")
                                   << "Import refused: the file holds 2 constants, the board 3. "
                                      "Nothing was sent.";
    QTest::newRow("more entries") << QByteArray("0,9\n1,9\n2,9\n3,9\n")
                                  << "Import refused: the file holds 4 constants, the board 3. "
                                     "Nothing was sent.";
}

void TestConstantsImport::refusedFileSendsNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, line);
    Rig rig;
    rig.board = {1.0f, 2.0f, 3.0f};
    QCOMPARE(importTable(file, rig.steps), 0);
    QCOMPARE(rig.confirmations, 0);
    QVERIFY(rig.events.isEmpty());
    QVERIFY(rig.link.port.written.isEmpty());
    QCOMPARE(rig.log.lines, QStringList({line}));
}

void TestConstantsImport::equalFileSendsNothing()
{
    Rig rig;
    rig.board = {1.0f, 0.1f};
    QCOMPARE(importTable("0,1\n1,0.100000001\n", rig.steps), 0);
    QCOMPARE(rig.confirmations, 0);
    QVERIFY(rig.link.port.written.isEmpty());
    QCOMPARE(rig.log.lines,
             QStringList({"The file matches the board's table (2 entries); nothing was sent."}));
}

void TestConstantsImport::cancelledSendsNothing()
{
    Rig rig;
    rig.board = {1.0f, 2.0f};
    rig.answer = false;
    QCOMPARE(importTable("0,1\n1,5\n", rig.steps), 0);
    QCOMPARE(rig.confirmations, 1);
    QVERIFY(rig.events.isEmpty());
    QCOMPARE(rig.log.lines, QStringList({"Import cancelled; nothing was sent."}));
}

void TestConstantsImport::closedPort()
{
    // The link refuses each send with its own line; the re-read finds no table.
    Rig rig;
    rig.link.port.setPortOpen(false);
    rig.board = {1.0f, 2.0f};
    rig.boardAfter = {};
    QCOMPARE(importTable("0,7\n1,2\n", rig.steps), 1);
    QVERIFY(rig.link.port.written.isEmpty());
    QCOMPARE(rig.log.lines, QStringList({"Send failed because the COM port is closed.",
                                         "Send failed because the COM port is closed.",
                                         "Import: 1 changed entry sent.",
                                         "The board sent no table back; the 2 entries could not "
                                         "be checked."}));
}

void TestConstantsImport::matchTexts()
{
    const QList<float> file = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QCOMPARE(matchText(file, file), QStringLiteral("12 of 12 entries match."));
    QList<float> board = file;
    board[3] = 0;
    board[7] = -8;
    QCOMPARE(matchText(board, file), QStringLiteral("10 of 12 entries match; differing: 3, 7."));
    // A shorter table back counts its missing entries as differing.
    QCOMPARE(matchText(file.mid(0, 10), file),
             QStringLiteral("10 of 12 entries match; differing: 10, 11."));
    // Entries beyond the file's are not the file's to check; an empty file has none.
    QCOMPARE(matchText({1, 2, 3}, {1, 2}), QStringLiteral("2 of 2 entries match."));
    QCOMPARE(matchText({}, {}), QStringLiteral("0 of 0 entries match."));

    const QList<float> big(30, 1.0f);
    QCOMPARE(matchText(QList<float>(30, 2.0f), big),
             QStringLiteral("0 of 30 entries match; differing: 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, "
                            "11, 12, 13, 14, 15, 16, 17, 18, 19 and 10 more."));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestConstantsImport)
#include "tst_ConstantsImport.moc"
