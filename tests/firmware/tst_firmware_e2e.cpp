#include "BoardBench.h"
#include "firmware/FirmwareImage.h"
#include "firmware/RowPackets.h"
#include "support/Files.h"
#include "support/HexLines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString NotStarted = QStringLiteral("Application not started; the download can be repeated.");

} // namespace

class FirmwareEndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeDownload();
    void boardRefusingEveryRow();
    void downloadAgainAfterAFailedOne();
    void refusedEraseProgramsNothing();
    void linkDroppedWhileProgramming();
    void malformedFileReachesNothing();
};

void FirmwareEndToEndTest::initTestCase()
{
    // A missing virtual board fails the suite, as it fails every other one that needs it.
    const QString program = qEnvironmentVariable("SKYVANE_BIN_DIR") + QStringLiteral("/board-sim");
    QVERIFY2(QFile::exists(program), qPrintable(program + " is not built"));
}

void FirmwareEndToEndTest::wholeDownload()
{
    BoardBench bench;
    QVERIFY(bench.start({}));
    const QByteArray hex = TwoSegmentFile();
    bench.writeFirmware(hex);
    bench.download.run();

    QCOMPARE(bench.log.lines.first(), "Firmware file " + bench.path +
                                          ": 19 rows to program, data at words 0x000000-0x0002FF, "
                                          "0x000800-0x00087F.");
    const QStringList lines = bench.log.lines.mid(1);
    QCOMPARE(lines.size(), 13);
    QVERIFY2(lines[9].startsWith(QStringLiteral("Flash Memory Programmed in ")),
             qPrintable(lines.join('|')));
    QCOMPARE(lines,
             (QStringList{"Connection established.", "Device Reset.",
                          "Checking Bootloader version...", "Veltis Bootloader Version 1.9 (33E).",
                          "Connection established.", "Erasing Flash Memory...",
                          "Flash Erased successfully.", "Connection established.",
                          "Programming Flash Memory...", lines[9], "Connection established.",
                          "Running Application...", "Application Launched."}));

    // The board's flash holds exactly the rows of the file's image.
    const FirmwareLoad load = LoadFirmware(hex);
    QVERIFY(load.ok);
    QByteArray expected;
    for (int row : RowsToSend(load.image.LowestAddress, load.image.EndIndex)) {
        const QByteArray packet = RowPacket(load.image.FlashImage, row);
        expected +=
            packet.mid(2, 3).toHex().toUpper() + ' ' + packet.mid(5).toHex().toUpper() + '\n';
    }
    QCOMPARE(RowsToSend(load.image.LowestAddress, load.image.EndIndex).size(), std::size_t(19));
    QCOMPARE(readFile(bench.flashOut()).toUpper(), expected);
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(bench.timer12.Enabled());
}

void FirmwareEndToEndTest::boardRefusingEveryRow()
{
    BoardBench bench;
    QVERIFY(bench.start({"--boot-fail-every", "1"}));
    bench.writeFirmware(TwoSegmentFile());
    bench.download.run();

    const QByteArray received = readFile(bench.received());
    QCOMPARE(received.count(QByteArray("+P\x00\x00\x00", 5)), 72);
    QCOMPARE(received.count(QByteArray("+P\x00\x00\x80", 5)), 0);
    QVERIFY(!received.contains("+R"));
    const qsizetype failed = bench.log.lines.indexOf(QStringLiteral("Programmation failed."));
    QVERIFY2(failed > 0, qPrintable(bench.log.lines.join('|')));
    QCOMPARE(bench.log.lines.mid(failed + 1), QStringList{NotStarted});
    QVERIFY(!bench.programmedLogged());
}

void FirmwareEndToEndTest::downloadAgainAfterAFailedOne()
{
    BoardBench bench;
    QVERIFY(bench.start({"--boot-fail-first", "72"}));
    const QByteArray hex = TwoSegmentFile();
    bench.writeFirmware(hex);
    bench.download.run();
    QCOMPARE(bench.log.lines.last(), NotStarted);
    QVERIFY(bench.timer2.Enabled());
    QVERIFY(bench.timer12.Enabled());
    QVERIFY(!readFile(bench.received()).contains("+R"));

    // The board stayed in its bootloader: it ignores the "G" and takes the whole download.
    bench.log.lines.clear();
    bench.download.run();
    QVERIFY2(bench.programmedLogged(), qPrintable(bench.log.lines.join('|')));
    QCOMPARE(bench.log.lines[4], QStringLiteral("Veltis Bootloader Version 1.9 (33E)."));
    QCOMPARE(bench.log.lines.mid(11),
             (QStringList{"Connection established.", "Running Application...",
                          "Application Launched."}));
    const FirmwareLoad load = LoadFirmware(hex);
    QByteArray expected;
    for (int row : RowsToSend(load.image.LowestAddress, load.image.EndIndex)) {
        const QByteArray packet = RowPacket(load.image.FlashImage, row);
        expected +=
            packet.mid(2, 3).toHex().toUpper() + ' ' + packet.mid(5).toHex().toUpper() + '\n';
    }
    QCOMPARE(readFile(bench.flashOut()).toUpper(), expected);
    QVERIFY(readFile(bench.received()).endsWith("+R"));
}

void FirmwareEndToEndTest::refusedEraseProgramsNothing()
{
    BoardBench bench;
    QVERIFY(bench.start({"--boot-reply", "E=2B46"}));
    bench.writeFirmware(TwoSegmentFile());
    bench.download.run();
    QCOMPARE(bench.log.lines.mid(5),
             (QStringList{"Connection established.", "Erasing Flash Memory...", NotStarted}));
    QTRY_COMPARE(readFile(bench.received()), QByteArray("G+V+E"));
    QVERIFY(bench.timer2.Enabled());
}

void FirmwareEndToEndTest::linkDroppedWhileProgramming()
{
    BoardBench bench;
    QVERIFY(bench.start({"--boot-drop-after", "3"}));
    bench.writeFirmware(TwoSegmentFile());
    bench.download.run();

    QVERIFY2(bench.log.lines.contains(QStringLiteral("Programmation failed.")),
             qPrintable(bench.log.lines.join('|')));
    QVERIFY(!bench.programmedLogged());
    // The board is gone; the run step is not tried.
    const qsizetype failed = bench.log.lines.indexOf(QStringLiteral("Programmation failed."));
    QCOMPARE(bench.log.lines.mid(failed + 1), QStringList{NotStarted});
    QVERIFY(!bench.link.port.PortOpen());
    QVERIFY(bench.timer2.Enabled());
}

void FirmwareEndToEndTest::malformedFileReachesNothing()
{
    BoardBench bench;
    QVERIFY(bench.start({}));
    bench.writeFirmware(TwoSegmentFile().replace(":10", ":1X"));
    bench.download.run();
    QCOMPARE(bench.log.lines,
             QStringList{"Firmware file " + bench.path +
                         ", line 1: a character that is not a hexadecimal digit."});
    QVERIFY(!bench.link.port.PortOpen());
    QTest::qWait(200);
    QCOMPARE(readFile(bench.received()), QByteArray());
    QCOMPARE(readFile(bench.flashOut()), QByteArray());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FirmwareEndToEndTest)
#include "tst_firmware_e2e.moc"
