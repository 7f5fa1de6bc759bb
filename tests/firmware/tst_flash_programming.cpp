#include "ScriptedBoard.h"
#include "core/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FlashProgrammer.h"
#include "firmware/RowPackets.h"
#include "firmware/SecondsText.h"
#include "support/HexLines.h"
#include "support/MemoryLogger.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

namespace {

// The programmer over a scripted board whose port is open.
struct Bench
{
    MemoryLogger log;
    ScriptedLink link{log};
    WindowTimer ackTimeout{QStringLiteral("AckTimeout"), 500, false};
    RecordingProgress progress;
    Bootloader boot{link, log, ackTimeout};
    FlashProgrammer programmer{boot, link, log, ackTimeout, progress};

    Bench() { link.port.setPortOpen(true); }
    QList<int> rowsSent() const
    {
        QList<int> rows;
        for (const QByteArray& command : link.port.commands)
            rows.append((quint8(command[2]) << 16) | (quint8(command[3]) << 8) |
                        quint8(command[4]));
        return rows;
    }
    bool programmedLogged() const
    {
        return std::any_of(log.lines.begin(), log.lines.end(), [](const QString& line) {
            return line.startsWith(QStringLiteral("Flash Memory Programmed in "));
        });
    }
};

FirmwareImage Load(const QByteArray& hex)
{
    const FirmwareLoad load = LoadFirmware(hex);
    if (!load.ok)
        qFatal("test file refused: %s", qPrintable(load.reason));
    return load.image;
}

// Word addresses 0x1000 to 0x11FF: 256 instructions, the instruction at word w holding
// (w / 2) & 0xFF, 0x5A, 0xC3.
QByteArray SpanFile()
{
    QByteArray data;
    for (int w = 0x1000; w < 0x1200; w += 2)
        data += QByteArray::fromRawData("\0\x5A\xC3\0", 4), data[data.size() - 4] = char(w / 2);
    return HexData(0x2000, data) + HexEnd();
}

} // namespace

class FlashProgrammingTest : public QObject
{
    Q_OBJECT
private slots:
    void rowPacketLayout();
    void rowWalk();
    void programsTheSpanFile();
    void rowHoldingLowestAddressIsSent();
    void highestRecordDecidesTheLastRow();
    void lastRowOfTheImageIsSent();
    void rowRetriedUntilAcknowledged();
    void rowZeroNeedsItsAcknowledgement();
    void lostLinkAbandons();
    void secondsText();
};

void FlashProgrammingTest::rowPacketLayout()
{
    const FirmwareImage image = Load(":080000000102030004050600E3\r\n");
    const QByteArray packet = RowPacket(image.FlashImage, 0);
    QCOMPARE(packet.size(), 197);
    QCOMPARE(packet.left(11), QByteArray("+P\x00\x00\x00\x01\x02\x03\x04\x05\x06", 11));
    QCOMPARE(packet.mid(11), QByteArray(186, '\xFF'));

    // The address goes out big-endian, the high byte of the odd word is never sent.
    FlashWords flash(FirmwareImage::LastIndex + 1);
    flash.set(0x12380, 0xBEEF);
    flash.set(0x12381, 0x12CD);
    const QByteArray high = RowPacket(flash, 0x12380);
    QCOMPARE(high.left(8), QByteArray("+P\x01\x23\x80\xEF\xBE\xCD", 8));
    // The last row of the image reaches past it: the missing words go out erased.
    const QByteArray last = RowPacket(flash, 999936);
    QCOMPARE(last.size(), 197);
    QCOMPARE(last.mid(5), QByteArray(192, '\xFF'));
}

void FlashProgrammingTest::rowWalk()
{
    QCOMPARE(CompleteRowCount(0), 0);
    QCOMPARE(CompleteRowCount(125), 0);
    QCOMPARE(CompleteRowCount(126), 1);
    QCOMPARE(CompleteRowCount(259), 2);
    QCOMPARE(RowsToSend(4096, 4863), (std::vector<int>{4096, 4224, 4352, 4480, 4608, 4736}));
    QCOMPARE(RowsToSend(0x1040, 0x1200), (std::vector<int>{0x1000, 0x1080, 0x1100, 0x1180}));
    QCOMPARE(RowsToSend(0x107F, 0x1200), (std::vector<int>{0x1000, 0x1080, 0x1100, 0x1180}));
    QCOMPARE(RowsToSend(0x1080, 0x1200), (std::vector<int>{0x1080, 0x1100, 0x1180}));
    // At the image's end the walk takes in the last row, which reaches past the image.
    QCOMPARE(RowCount(999934, 1000000), 7812);
    QCOMPARE(RowCount(1000000, 1000000), 7813);
    QCOMPARE(RowsToSend(65536, 1000000).back(), 999936);
}

void FlashProgrammingTest::programsTheSpanFile()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    const FirmwareImage image = Load(SpanFile());
    QCOMPARE(image.LowestAddress, 4096.0);
    QCOMPARE(image.EndIndex, 4863.0);

    QVERIFY(bench.programmer.ProgramFlash(image).programmed);
    QCOMPARE(bench.rowsSent(), (QList<int>{4096, 4224, 4352, 4480, 4608, 4736}));
    QCOMPARE(board.rows[4096].left(6), QByteArray("\x00\x5A\xC3\x01\x5A\xC3", 6));
    QCOMPARE(board.rows[4480].right(3), QByteArray("\xFF\x5A\xC3", 3));
    QCOMPARE(board.rows[4608], QByteArray(192, '\xFF'));
    QCOMPARE(board.rows[4736], QByteArray(192, '\xFF'));

    QCOMPARE(bench.log.lines.size(), 3);
    QCOMPARE(bench.log.lines[0], QStringLiteral("Connection established."));
    QCOMPARE(bench.log.lines[1], QStringLiteral("Programming Flash Memory..."));
    QVERIFY2(QRegularExpression("^Flash Memory Programmed in \\d+(\\.\\d)?s$")
                 .match(bench.log.lines[2])
                 .hasMatch(),
             qPrintable(bench.log.lines[2]));
    // A bar per complete row (38 of them, sent or not), cleared before and after.
    QCOMPARE(bench.progress.events.first(), QStringLiteral("clear"));
    QCOMPARE(bench.progress.events.last(), QStringLiteral("clear"));
    QCOMPARE(bench.progress.events.count(QStringLiteral("show")), 38);
    QCOMPARE(bench.progress.last, std::make_pair(4862.0, 4863.0));
    QCOMPARE(bench.ackTimeout.Interval(), 200);
    QVERIFY(!bench.ackTimeout.Enabled());
}

void FlashProgrammingTest::rowHoldingLowestAddressIsSent()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    // Word 0x1040 (byte 0x2080) lies inside the row at 0x1000.
    const FirmwareImage image = Load(HexData(0x2080, QByteArray("\x11\x22\x33\x00", 4)));
    QCOMPARE(image.LowestAddress, double(0x1040));
    QVERIFY(bench.programmer.ProgramFlash(image).programmed);
    QCOMPARE(bench.rowsSent(), (QList<int>{0x1000, 0x1080}));
    QCOMPARE(board.rows[0x1000].mid(96, 3), QByteArray("\x11\x22\x33"));
    QCOMPARE(board.rows[0x1000].left(96), QByteArray(96, '\xFF'));
}

void FlashProgrammingTest::highestRecordDecidesTheLastRow()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    // The record for word 0x1100 comes before the one for word 0x1000.
    const FirmwareImage image = Load(":04220000AABBCCDDCC\n:042000001122334432\n");
    QVERIFY(bench.programmer.ProgramFlash(image).programmed);
    QVERIFY(bench.rowsSent().contains(0x1100));
    QCOMPARE(board.rows[0x1100].left(3), QByteArray("\xAA\xBB\xCC"));
}

void FlashProgrammingTest::lastRowOfTheImageIsSent()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    // Words 999,990 and 1,000,000 (the image's last word) lie in the row at 999,936, whose
    // last instruction would be at 1,000,062.
    const FirmwareImage image = Load(HexRecord(4, 0, QByteArray("\x00\x1E", 2)) +
                                     HexRecord(0, 0x846C, QByteArray("\x11\x22\x33\x00", 4)) +
                                     HexRecord(0, 0x8480, QByteArray("\xAA\xBB", 2)));
    QCOMPARE(image.EndIndex, 1000000.0);
    QVERIFY(bench.programmer.ProgramFlash(image).programmed);
    const QList<int> rows = bench.rowsSent();
    QCOMPARE(rows.size(), 7813 - 512);
    QCOMPARE(rows.first(), 65536);
    QCOMPARE(rows.last(), 999936);
    QByteArray last(192, '\xFF');
    last.replace(81, 3, "\x11\x22\x33");
    last.replace(96, 2, "\xAA\xBB");
    QCOMPARE(board.rows[999936], last);
    QCOMPARE(board.rows[999808], QByteArray(192, '\xFF'));
    QCOMPARE(bench.progress.last, std::make_pair(1000000.0, 1000000.0));
    QVERIFY(bench.programmedLogged());
}

void FlashProgrammingTest::rowRetriedUntilAcknowledged()
{
    Bench bench;
    GoodBoard board;
    int rowSends = 0;
    bench.link.port.responder = [&](const QByteArray& command) -> QByteArray {
        ++rowSends;
        if (rowSends == 1)
            return "+#\x01";
        if (rowSends == 2)
            return QByteArray("+P\x00\x10\x80", 5);
        return board(command);
    };
    QVERIFY(bench.programmer.ProgramFlash(Load(HexData(0x2000, QByteArray(8, '\x01')))).programmed);
    QCOMPARE(bench.rowsSent(), (QList<int>{0x1000, 0x1000, 0x1000, 0x1080}));
    QCOMPARE(bench.log.lines.count(QStringLiteral("Checksum error !")), 1);
    QVERIFY2(bench.programmedLogged(), qPrintable(bench.log.lines.join('|')));
}

void FlashProgrammingTest::rowZeroNeedsItsAcknowledgement()
{
    Bench bench;
    bench.link.port.responder = [](const QByteArray&) { return QByteArray("+F"); };
    const ProgramResult refused =
        bench.programmer.ProgramFlash(Load(":080000000102030004050600E3\r\n"));
    QVERIFY(!refused.programmed);
    QCOMPARE(refused.failedRow, 0);
    QVERIFY(!refused.replyMissed);
    QVERIFY(!refused.portRefused);
    QCOMPARE(bench.rowsSent(), QList<int>(72, 0));
    QCOMPARE(bench.log.lines.last(), QStringLiteral("Programmation failed."));
    QVERIFY(!bench.programmedLogged());
    QCOMPARE(bench.progress.events.last(), QStringLiteral("clear"));

    // Acknowledged, the same row is written once.
    Bench good;
    GoodBoard board;
    good.link.port.responder = std::ref(board);
    QVERIFY(good.programmer.ProgramFlash(Load(":080000000102030004050600E3\r\n")).programmed);
    QCOMPARE(good.rowsSent(), (QList<int>{0, 128}));
}

void FlashProgrammingTest::lostLinkAbandons()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = [&](const QByteArray& command) -> QByteArray {
        if (board.rows.size() == 2) {
            QTimer::singleShot(0, &bench.link.port, [&] { bench.link.port.drop(); });
            return {};
        }
        return board(command);
    };
    const ProgramResult lost = bench.programmer.ProgramFlash(Load(SpanFile()));
    QVERIFY(!lost.programmed);
    QCOMPARE(lost.failedRow, 4352);
    QCOMPARE(bench.rowsSent(), (QList<int>{4096, 4224, 4352}));
    QCOMPARE(bench.log.lines.count(QStringLiteral("Send failed because the COM port is closed.")),
             71);
    QCOMPARE(bench.log.lines.last(), QStringLiteral("Programmation failed."));
    QVERIFY(!bench.programmedLogged());
}

void FlashProgrammingTest::secondsText()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(SecondsText(12.34, english), QStringLiteral("12.3"));
    QCOMPARE(SecondsText(15.02, english), QStringLiteral("15"));
    QCOMPARE(SecondsText(0.25, english), QStringLiteral("0.2"));
    QCOMPARE(SecondsText(0.75, english), QStringLiteral("0.8"));
    QCOMPARE(SecondsText(1234.5, english), QStringLiteral("1234.5"));
    QCOMPARE(SecondsText(12.34, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("12,3"));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FlashProgrammingTest)
#include "tst_flash_programming.moc"
