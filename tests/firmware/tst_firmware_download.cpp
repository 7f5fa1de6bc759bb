#include "DownloadRig.h"
#include "support/HexLines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The download over a scripted board, the port closed at first as after start-up without
// automatic connection.
struct Bench : DownloadRig<ScriptedLink>
{
    Bench() : DownloadRig(true) {}
};

const QString NotStarted = QStringLiteral("Application not started; the download can be repeated.");

// A board that enters its bootloader on "G" and leaves it only on "+R"; there a "G" is
// ignored. Its bootloader refuses ("+F") the first rows it gets, then works.
struct RecoveringBoard
{
    int refusals = 0;
    bool inBootloader = false;
    GoodBoard good;

    QByteArray operator()(const QByteArray& command)
    {
        if (!inBootloader) {
            inBootloader = command == "G";
            return {};
        }
        if (command.startsWith("+P") && refusals > 0) {
            --refusals;
            return "+F";
        }
        if (command == "+R")
            inBootloader = false;
        return good(command);
    }
};

} // namespace

class FirmwareDownloadTest : public QObject
{
    Q_OBJECT
private slots:
    void wholeDownload();
    void malformedFileReachesNothing();
    void missingFileReachesNothing();
    void failedProgrammingLeavesTheBoardInItsBootloader();
    void refusedEraseProgramsNothing();
    void clickDuringADownloadIsIgnored();
    void missedReplyEndsTheDownload_data();
    void missedReplyEndsTheDownload();
};

void FirmwareDownloadTest::wholeDownload()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    bench.writeFirmware(HexData(0x0000, QByteArray(512, '\x42')) + HexEnd());
    const DownloadResult result = bench.download.run();
    QCOMPARE(result.outcome, DownloadResult::Programmed);
    QCOMPARE(result.step, DownloadResult::Launch);
    QCOMPARE(result.row, -1);

    // What will be sent is told before the board is touched.
    QCOMPARE(bench.log.lines.first(), "Firmware file " + bench.path +
                                          ": 4 rows to program, data at words 0x000000-0x0000FF.");
    const QStringList lines = bench.log.lines.mid(1);
    QCOMPARE(lines.size(), 13);
    QCOMPARE(
        lines.mid(0, 10),
        (QStringList{"Connection established.", "Device Reset.", "Checking Bootloader version...",
                     "Veltis Bootloader Version 1.9 (33E).", "Connection established.",
                     "Erasing Flash Memory...", "Flash Erased successfully.",
                     "Connection established.", "Programming Flash Memory...", lines[9]}));
    QVERIFY(lines[9].startsWith(QStringLiteral("Flash Memory Programmed in ")));
    QCOMPARE(lines.mid(10), (QStringList{"Connection established.", "Running Application...",
                                         "Application Launched."}));

    const QList<QByteArray>& commands = bench.link.port.commands;
    QCOMPARE(commands.size(), 8);
    QCOMPARE(commands[0], QByteArray("G"));
    QCOMPARE(commands[1], QByteArray("+V"));
    QCOMPARE(commands[2], QByteArray("+E"));
    QCOMPARE(commands[7], QByteArray("+R"));
    QCOMPARE(board.rows.keys(), (QList<int>{0, 128, 256, 384}));
    QCOMPARE(board.rows[128], QByteArray(192, '\x42'));
    QCOMPARE(board.rows[256], QByteArray(192, '\xFF'));
    QCOMPARE(bench.boot.BootFamily(), QStringLiteral("33E"));
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(bench.timer12.Enabled());
    QVERIFY(!bench.download.isRunning());
}

void FirmwareDownloadTest::malformedFileReachesNothing()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    bench.writeFirmware(":080000000102030004050600E3\r\n:0400000011223344FF\r\n");
    bench.timer2.setEnabled(true);
    bench.timer12.setEnabled(false);
    const DownloadResult result = bench.download.run();

    const QString refusal = "Firmware file " + bench.path + ", line 2: wrong checksum.";
    QCOMPARE(bench.log.lines, QStringList{refusal});
    QCOMPARE(result.outcome, DownloadResult::Refused);
    QCOMPARE(result.step, DownloadResult::FileCheck);
    QCOMPARE(result.reason, refusal);
    QCOMPARE(bench.link.port.openCount, 0);
    QVERIFY(bench.link.port.written.isEmpty());
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(!bench.timer12.Enabled());
}

void FirmwareDownloadTest::missingFileReachesNothing()
{
    Bench bench;
    bench.path = bench.dir.filePath(QStringLiteral("gone.kfw"));
    bench.download.run();
    QCOMPARE(bench.log.lines, QStringList{"Firmware file " + bench.path + ": cannot be read."});
    QCOMPARE(bench.link.port.openCount, 0);
    QVERIFY(bench.timer12.Enabled());
}

void FirmwareDownloadTest::failedProgrammingLeavesTheBoardInItsBootloader()
{
    Bench bench;
    RecoveringBoard board;
    board.refusals = 72;
    bench.link.port.responder = std::ref(board);
    bench.writeFirmware(HexData(0x2000, QByteArray(16, '\x07')) + HexEnd());
    const DownloadResult failed = bench.download.run();
    QCOMPARE(failed.outcome, DownloadResult::Failed);
    QCOMPARE(failed.step, DownloadResult::Rows);
    // Word address 0x2000 / 2: the row at 0x1000 was the one refused.
    QCOMPARE(failed.row, 0x1000);
    QCOMPARE(failed.reason,
             QStringLiteral("the row at word address 0x001000 was not acknowledged"));
    QList<QByteArray>& commands = bench.link.port.commands;
    QCOMPARE(commands.mid(0, 3), (QList<QByteArray>{"G", "+V", "+E"}));
    QCOMPARE(commands.count(commands[3]), 72);
    // A half-written application is never started: only the bootloader can still be reached.
    QCOMPARE(commands.size(), 3 + 72);
    const qsizetype failedAt = bench.log.lines.indexOf(QStringLiteral("Programmation failed."));
    QVERIFY(failedAt > 0);
    QCOMPARE(bench.log.lines.mid(failedAt + 1), QStringList{NotStarted});
    QVERIFY(board.inBootloader);
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(bench.timer12.Enabled());
    QVERIFY(!bench.download.isRunning());

    // Again from there: the bootloader ignores the "G" and the download goes through.
    bench.log.lines.clear();
    commands.clear();
    QCOMPARE(bench.download.run().outcome, DownloadResult::Programmed);
    QCOMPARE(commands.mid(0, 3), (QList<QByteArray>{"G", "+V", "+E"}));
    QCOMPARE(commands.last(), QByteArray("+R"));
    QCOMPARE(board.good.rows.keys(), (QList<int>{0x1000, 0x1080}));
    QCOMPARE(board.good.rows[0x1000].left(6), QByteArray("\x07\x07\x07\x07\x07\x07"));
    QCOMPARE(bench.log.lines[4], QStringLiteral("Veltis Bootloader Version 1.9 (33E)."));
    QVERIFY(bench.log.lines[10].startsWith(QStringLiteral("Flash Memory Programmed in ")));
    QCOMPARE(bench.log.lines.mid(11),
             (QStringList{"Connection established.", "Running Application...",
                          "Application Launched."}));
    QVERIFY(!board.inBootloader);
}

void FirmwareDownloadTest::refusedEraseProgramsNothing()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = [&](const QByteArray& command) -> QByteArray {
        return command == "+E" ? QByteArray("+F") : board(command);
    };
    bench.writeFirmware(HexData(0x0000, QByteArray(16, '\x01')) + HexEnd());
    const DownloadResult result = bench.download.run();
    QCOMPARE(result.outcome, DownloadResult::Failed);
    QCOMPARE(result.step, DownloadResult::Erase);
    QCOMPARE(bench.link.port.commands, (QList<QByteArray>{"G", "+V", "+E"}));
    QCOMPARE(bench.log.lines.mid(5),
             (QStringList{"Connection established.", "Erasing Flash Memory...", NotStarted}));
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(bench.timer12.Enabled());
}

void FirmwareDownloadTest::clickDuringADownloadIsIgnored()
{
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = std::ref(board);
    bench.writeFirmware(HexData(0x0000, QByteArray(16, '\x01')) + HexEnd());
    bool clicked = false;
    DownloadResult second;
    QTimer::singleShot(100, &bench.link.port, [&] {
        clicked = true;
        second = bench.download.run();
    });
    QCOMPARE(bench.download.run().outcome, DownloadResult::Programmed);
    QVERIFY(clicked);
    QCOMPARE(second.outcome, DownloadResult::Refused);
    QCOMPARE(second.reason, QStringLiteral("a download is running"));
    QCOMPARE(bench.link.port.commands.count(QByteArray("G")), 1);
    QCOMPARE(bench.log.lines.count(QStringLiteral("Application Launched.")), 1);
}

void FirmwareDownloadTest::missedReplyEndsTheDownload_data()
{
    QTest::addColumn<QByteArray>("silentAt");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<QStringList>("logEnd");
    QTest::addColumn<int>("step");
    const QString missed = QStringLiteral("No reply from the bootloader within 0.2 s.");
    QTest::newRow("version") << QByteArray("+V") << QList<QByteArray>{"G", "+V"}
                             << QStringList{"Checking Bootloader version...", missed,
                                            "Programmation failed.", NotStarted}
                             << int(DownloadResult::Version);
    QTest::newRow("erase") << QByteArray("+E") << QList<QByteArray>{"G", "+V", "+E"}
                           << QStringList{"Erasing Flash Memory...", missed,
                                          "Programmation failed.", NotStarted}
                           << int(DownloadResult::Erase);
    // The second row goes unanswered: it is not sent again.
    QTest::newRow("row") << QByteArray("+P\x00\x00\x80", 5)
                         << QList<QByteArray>{"G", "+V", "+E", QByteArray("+P\x00\x00\x00", 5),
                                              QByteArray("+P\x00\x00\x80", 5)}
                         << QStringList{"Programming Flash Memory...", missed,
                                        "Programmation failed.", NotStarted}
                         << int(DownloadResult::Rows);
}

void FirmwareDownloadTest::missedReplyEndsTheDownload()
{
    QFETCH(QByteArray, silentAt);
    QFETCH(QList<QByteArray>, sent);
    QFETCH(QStringList, logEnd);
    QFETCH(int, step);
    Bench bench;
    GoodBoard board;
    bench.link.port.responder = [&](const QByteArray& command) -> QByteArray {
        return command.startsWith(silentAt) ? QByteArray() : board(command);
    };
    bench.boot.setReplyTimeout(200);
    bench.writeFirmware(HexData(0x0000, QByteArray(512, '\x42')) + HexEnd());
    const DownloadResult result = bench.download.run();
    QCOMPARE(result.outcome, DownloadResult::NoReply);
    QCOMPARE(int(result.step), step);
    QList<QByteArray> commands;
    for (const QByteArray& command : bench.link.port.commands)
        commands.append(command.left(5));
    QCOMPARE(commands, sent);
    QCOMPARE(bench.log.lines.mid(bench.log.lines.size() - logEnd.size()), logEnd);
    QVERIFY(bench.timer2.Enabled());

    // The next download starts afresh.
    bench.log.lines.clear();
    bench.link.port.responder = std::ref(board);
    QCOMPARE(bench.download.run().outcome, DownloadResult::Programmed);
    QCOMPARE(bench.log.lines.last(), QStringLiteral("Application Launched."));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FirmwareDownloadTest)
#include "tst_firmware_download.moc"
