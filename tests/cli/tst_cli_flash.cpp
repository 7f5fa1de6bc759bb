#include "CliRun.h"
#include "firmware/FirmwareImage.h"
#include "firmware/RowPackets.h"
#include "support/HexLines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct FlashBoard : Board
{
    using Board::Board;
    QString firmware(const QByteArray& content) const
    {
        const QString path = dir.filePath(QStringLiteral("board.kfw"));
        return writeFile(path, content) ? path : QString();
    }
};

// Standard error without its time stamps: "2026.12.07 - 15.04.05 : Device Reset." gives
// "Device Reset."; lines without a stamp stay as they are.
QStringList unstamped(const QByteArray& err)
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d - \\d\\d\\.\\d\\d\\.\\d\\d : "));
    QStringList lines;
    for (const QByteArray& line : err.trimmed().split('\n'))
        lines.append(QString::fromUtf8(line).remove(stamp));
    return lines;
}

} // namespace

class CliFlashTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeDownload();
    void refusedFileSendsNothing();
    void boardRefusingEveryRow();
    void linkDroppedWhileProgramming();
    void silentBootloaderEndsWithinTheReplyTimeout_data();
    void silentBootloaderEndsWithinTheReplyTimeout();
    void applicationThatDoesNotStart();
    void interruptEndsTheDownload();
    void portThatDoesNotOpen();
    void dryRunTellsWhatWouldBeSent();
    void encodeWritesTheBinCopy();
};

void CliFlashTest::initTestCase()
{
    if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
        QFAIL("skyvane-cli or board-sim is not built");
}

void CliFlashTest::wholeDownload()
{
    FlashBoard board;
    QVERIFY(!board.port().isEmpty());
    const QByteArray hex = TwoSegmentFile();
    const QString copy = board.file(QStringLiteral("copy.csv"));
    const CliResult run =
        RunCli({"flash", "--port", board.port(), "--backup", copy, board.firmware(hex)});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());

    // Every log line carries its time stamp; not a terminal, so the progress comes as lines.
    const QStringList lines = unstamped(run.err);
    for (const QByteArray& line : run.err.trimmed().split('\n'))
        QVERIFY2(line.startsWith("Programming: ") || line.contains(" : "), line.constData());
    const QStringList log = lines.filter(QRegularExpression(QStringLiteral("^(?!Programming: )")));
    QCOMPARE(log.size(), 18);
    QVERIFY2(log[12].startsWith(QStringLiteral("Flash Memory Programmed in ")),
             qPrintable(log.join('|')));
    // The constants are kept before the download's own lines and compared after them.
    QCOMPARE(log, (QStringList{
                      "Port " + board.port() + " opened.",
                      "30 constants saved to " + copy + " before the download.",
                      "Firmware file " + board.dir.filePath("board.kfw") +
                          ": 19 rows to program, data at words 0x000000-0x0002FF, "
                          "0x000800-0x00087F.",
                      "Connection established.", "Device Reset.", "Checking Bootloader version...",
                      "Veltis Bootloader Version 1.9 (33E).", "Connection established.",
                      "Erasing Flash Memory...", "Flash Erased successfully.",
                      "Connection established.", "Programming Flash Memory...", log[12],
                      "Connection established.", "Running Application...", "Application Launched.",
                      "After the download all 30 constants match the copy " + copy + ".",
                      "COM Port closed."}));
    QVERIFY(readFile(board.received()).startsWith("[G"));
    QVERIFY(readFile(copy).contains("\n29,115200\n"));
    const QStringList progress = lines.filter(QRegularExpression(QStringLiteral("^Programming: ")));
    QVERIFY(progress.size() >= 10);
    QCOMPARE(progress.first(), QStringLiteral("Programming: 5%"));
    QCOMPARE(progress.last(), QStringLiteral("Programming: 99%"));

    // The board's flash holds exactly the rows of the file's image.
    const FirmwareLoad load = LoadFirmware(hex);
    QVERIFY(load.ok);
    QByteArray expected;
    for (int row : RowsToSend(load.image.LowestAddress, load.image.EndIndex)) {
        const QByteArray packet = RowPacket(load.image.FlashImage, row);
        expected +=
            packet.mid(2, 3).toHex().toUpper() + ' ' + packet.mid(5).toHex().toUpper() + '\n';
    }
    QCOMPARE(readFile(board.flashOut()).toUpper(), expected);
}

void CliFlashTest::refusedFileSendsNothing()
{
    FlashBoard board;
    const QString path = board.firmware(TwoSegmentFile().replace(":10", ":1X"));
    const CliResult run = RunCli({"flash", "--port", board.port(), path});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, ("skyvane-cli: Firmware file " + path +
                       ", line 1: a character that is not a hexadecimal digit.\n")
                          .toUtf8());
    const CliResult missing = RunCli({"flash", "--port", board.port(), path + ".none"});
    QCOMPARE(missing.exitCode, 2);
    QCOMPARE(missing.errLines().size(), 1);
    QVERIFY(missing.err.contains((path + ".none").toUtf8()));
    QTest::qWait(100);
    QCOMPARE(readFile(board.received()), QByteArray());
    QCOMPARE(readFile(board.flashOut()), QByteArray());
}

void CliFlashTest::boardRefusingEveryRow()
{
    FlashBoard board({"--boot-fail-every", "1"});
    const CliResult run =
        RunCli({"flash", "--port", board.port(), "--no-backup", board.firmware(TwoSegmentFile())});
    QCOMPARE(run.exitCode, 1);
    const QByteArray received = readFile(board.received());
    QCOMPARE(received.count(QByteArray("+P\x00\x00\x00", 5)), 72);
    QCOMPARE(received.count(QByteArray("+P\x00\x00\x80", 5)), 0);
    // A half-written application is never started.
    QVERIFY2(!received.contains("+R"), received.right(8).toHex().constData());
    const QStringList lines = unstamped(run.err);
    QVERIFY(lines.contains(QStringLiteral("Programmation failed.")));
    QVERIFY(!lines.contains(QStringLiteral("Running Application...")));
    QCOMPARE(lines.last(), "skyvane-cli: the board at " + board.port() + " did not take " +
                               board.dir.filePath(QStringLiteral("board.kfw")));
}

void CliFlashTest::linkDroppedWhileProgramming()
{
    FlashBoard board({"--boot-drop-after", "3"});
    const CliResult run =
        RunCli({"flash", "--port", board.port(), "--no-backup", board.firmware(TwoSegmentFile())});
    QCOMPARE(run.exitCode, 3);
    const QStringList lines = unstamped(run.err);
    QVERIFY(lines.contains(QStringLiteral("Programmation failed.")));
    QVERIFY2(lines.last().startsWith("skyvane-cli: Link to " + board.port()),
             qPrintable(lines.join('|')));
}

void CliFlashTest::silentBootloaderEndsWithinTheReplyTimeout_data()
{
    QTest::addColumn<QString>("silent");
    QTest::addColumn<QString>("stepLine");
    QTest::newRow("version") << "V="
                             << "Checking Bootloader version...";
    QTest::newRow("erase") << "E="
                           << "Erasing Flash Memory...";
    QTest::newRow("rows") << "P="
                          << "Programming Flash Memory...";
}

void CliFlashTest::silentBootloaderEndsWithinTheReplyTimeout()
{
    QFETCH(QString, silent);
    QFETCH(QString, stepLine);
    FlashBoard board({"--boot-reply", silent});
    const QString path = board.firmware(TwoSegmentFile());
    QElapsedTimer wall;
    wall.start();
    const CliResult run = RunCli(
        {"flash", "--port", board.port(), "--no-backup", "--reply-timeout", "1.5", path}, 30000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(wall.elapsed() < 15000, qPrintable(QString::number(wall.elapsed())));
    const QStringList lines = unstamped(run.err);
    const qsizetype step = lines.indexOf(stepLine);
    QVERIFY2(step > 0, qPrintable(lines.join('|')));
    QCOMPARE(lines.mid(step + 1),
             (QStringList{"No reply from the bootloader within 1.5 s.", "Programmation failed.",
                          "Application not started; the download can be repeated.",
                          "skyvane-cli: the bootloader at " + board.port() +
                              " did not answer within 1.5 s"}));
    QTest::qWait(100);
    const QByteArray received = readFile(board.received());
    QVERIFY2(!received.contains("+R"), received.right(8).toHex().constData());
    // A row that got no answer is not sent again.
    QVERIFY(received.count("+P") <= 1);

    const CliResult bad = RunCli({"flash", "--port", board.port(), "--reply-timeout", "0", path});
    QCOMPARE(bad.exitCode, 2);
    QCOMPARE(bad.err,
             QByteArray("skyvane-cli: --reply-timeout needs a positive number of seconds, not "
                        "\"0\"\n"));
}

void CliFlashTest::applicationThatDoesNotStart()
{
    // Every row is taken, but "+R" is answered "+F" instead of "+R".
    FlashBoard board({"--boot-reply", "R=2B46"});
    const CliResult run =
        RunCli({"flash", "--port", board.port(), "--no-backup", board.firmware(TwoSegmentFile())});
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = unstamped(run.err);
    const qsizetype running = lines.indexOf(QStringLiteral("Running Application..."));
    QVERIFY2(running > 0 &&
                 lines[running - 2].startsWith(QStringLiteral("Flash Memory Programmed")),
             qPrintable(lines.join('|')));
    QVERIFY(!lines.contains(QStringLiteral("Application Launched.")));
    QCOMPARE(lines.last(),
             "skyvane-cli: the board at " + board.port() + " did not start the application");
    QVERIFY(readFile(board.received()).endsWith("+R"));
}

void CliFlashTest::interruptEndsTheDownload()
{
    // The bootloader never answers a row; Ctrl+C ends the wait long before the reply timeout.
    FlashBoard board({"--boot-reply", "P="});
    QProcess cli;
    cli.start(CliProgram(), {"flash", "--port", board.port(), "--no-backup", "--reply-timeout",
                             "600", board.firmware(TwoSegmentFile())});
    QVERIFY(cli.waitForStarted());
    cli.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("Programming Flash Memory...") && cli.waitForReadyRead(10000))
        err += cli.readAllStandardError();
    QVERIFY2(err.contains("Programming Flash Memory..."), err.constData());
    ::kill(pid_t(cli.processId()), SIGINT);
    const CliResult run = FinishCli(cli, 20000);
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = unstamped(err + run.err);
    QVERIFY2(lines.size() > 3, qPrintable(lines.join('|')));
    QCOMPARE(lines.mid(lines.size() - 3),
             (QStringList{"Programmation failed.",
                          "Application not started; the download can be repeated.",
                          "skyvane-cli: download to " + board.port() + " interrupted"}));
    const QByteArray received = readFile(board.received());
    QCOMPARE(received.count("+P"), 1);
    QVERIFY(!received.contains("+R"));
}

void CliFlashTest::portThatDoesNotOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.hex"));
    QVERIFY(writeFile(path, TwoSegmentFile()));
    const CliResult run = RunCli({"flash", "--port", "/dev/skyvane-none", path});
    QCOMPARE(run.exitCode, 3);
    // The echoed log's line, then the error line.
    QCOMPARE(unstamped(run.err),
             (QStringList{"Invalid port number: /dev/skyvane-none does not exist.",
                          "skyvane-cli: cannot open port /dev/skyvane-none: Invalid port number: "
                          "/dev/skyvane-none does not exist."}));
}

void CliFlashTest::dryRunTellsWhatWouldBeSent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pic.kfw"));
    QVERIFY(writeFile(path, TwoSegmentFile().replace(":00000001FF",
                                                     ":0200000401F009\r\n"
                                                     ":10000000CFFF0000FFFF0000FFFF0000FFFF000028"
                                                     "\r\n:00000001FF")));
    const CliResult run = RunCli({"flash", "--dry-run", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, ("Firmware file " + path +
                       ": 19 rows to program, data at words 0x000000-0x0002FF, "
                       "0x000800-0x00087F.\nFirmware file " +
                       path +
                       ": 8 words at 0xF80000-0xF80007 (configuration memory) are not "
                       "programmed.\n")
                          .toUtf8());
    QCOMPARE(run.err, QByteArray());

    QVERIFY(writeFile(path, ":02000100AABB98\n"));
    const CliResult refused = RunCli({"flash", "--dry-run", path});
    QCOMPARE(refused.exitCode, 2);
    QCOMPARE(refused.out, QByteArray());
    QCOMPARE(refused.err, ("skyvane-cli: Firmware file " + path +
                           ", line 1: data record at an odd byte address.\n")
                              .toUtf8());
}

void CliFlashTest::encodeWritesTheBinCopy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.hex"));
    QVERIFY(writeFile(path, QByteArray("\x01\x02\x03\x04\x05", 5)));
    QVERIFY(writeFile(path + ".bin", QByteArray(12, 'x')));
    const CliResult run = RunCli({"encode", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, (path + ".bin\n").toUtf8());
    // 0x01 - 0x92; then 0x05040302 - 21394 = 0x0503AF70, little-endian; the older, longer
    // copy is gone.
    QCOMPARE(readFile(path + ".bin"), QByteArray("\x6F\x70\xAF\x03\x05", 5));

    const CliResult missing = RunCli({"encode", path + ".none"});
    QCOMPARE(missing.exitCode, 2);
    QCOMPARE(missing.err, ("skyvane-cli: HEX file " + path + ".none cannot be read\n").toUtf8());

    // A folder where the copy goes: the file is read, the copy cannot be written.
    const QString blocked = dir.filePath(QStringLiteral("blocked.hex"));
    QVERIFY(writeFile(blocked, QByteArray("\x01\x02\x03\x04\x05", 5)));
    QVERIFY(QDir().mkpath(blocked + ".bin"));
    const CliResult unwritable = RunCli({"encode", blocked});
    QCOMPARE(unwritable.exitCode, 2);
    QCOMPARE(unwritable.out, QByteArray());
    QCOMPARE(unwritable.err,
             ("skyvane-cli: bin file " + blocked + ".bin cannot be written\n").toUtf8());
    QVERIFY(QFileInfo(blocked + ".bin").isDir());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliFlashTest)
#include "tst_cli_flash.moc"
