#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSummary.h"
#include "support/HexLines.h"

#include <QTemporaryDir>
#include <QTest>

class FirmwareImageTest : public QObject
{
    Q_OBJECT
private slots:
    void dataRecordFillsWordsLittleEndian();
    void extendedAddressMovesTheBase();
    void lowestAddressNeverAbove65536();
    void linesAfterEndOfFileStillLoad();
    void endIndexFollowsHighestWord();
    void lineEndingsGiveTheSameImage();
    void refusals_data();
    void refusals();
    void dataAtTheLastWordIsKept();
    void missingFileIsRefused();
    void wordsReadErasedWhereNothingWasWritten();
    void segmentAddressMovesTheBaseBySixteens();
    void memoryOutsideProgramMemoryIsLeftOut();
    void summaryNamesRangesRowsAndWhatIsLeftOut();
    void summaryOfManyRangesAndOfOneRow();
    void runsOutOfOrderAreJoinedAndIdsNamed();
};

void FirmwareImageTest::dataRecordFillsWordsLittleEndian()
{
    const FirmwareLoad load = LoadFirmware(":080000000102030004050600E3\r\n:00000001FF\r\n");
    QVERIFY(load.ok);
    const auto& flash = load.image.FlashImage;
    QCOMPARE(flash.size(), std::size_t(1000001));
    QCOMPARE(flash[0], 0x0201);
    QCOMPARE(flash[1], 0x0003);
    QCOMPARE(flash[2], 0x0504);
    QCOMPARE(flash[3], 0x0006);
    QCOMPARE(flash[4], 0xFFFF);
    QCOMPARE(flash[1000000], 0xFFFF);
    QCOMPARE(load.image.LowestAddress, 0.0);
    QCOMPARE(load.image.EndIndex, 259.0);
}

void FirmwareImageTest::extendedAddressMovesTheBase()
{
    const FirmwareLoad load = LoadFirmware(":020000040001F9\n:040000001122334452\n:00000001FF\n");
    QVERIFY(load.ok);
    QCOMPARE(load.image.FlashImage[32768], 0x2211);
    QCOMPARE(load.image.FlashImage[32769], 0x4433);
    QCOMPARE(load.image.FlashImage[0], 0xFFFF);
    QCOMPARE(load.image.LowestAddress, 32768.0);
    QCOMPARE(load.image.EndIndex, 33025.0);
}

void FirmwareImageTest::lowestAddressNeverAbove65536()
{
    // Byte address 0x222E0 is word 70000.
    const FirmwareLoad load = LoadFirmware(":020000040002F8\n:0222E000AABB97\n:00000001FF\n");
    QVERIFY(load.ok);
    QCOMPARE(load.image.FlashImage[70000], 0xBBAA);
    QCOMPARE(load.image.LowestAddress, 65536.0);
    QCOMPARE(load.image.EndIndex, 70256.0);
}

void FirmwareImageTest::linesAfterEndOfFileStillLoad()
{
    const FirmwareLoad load = LoadFirmware(":00000001FF\n:080000000102030004050600E3\n");
    QVERIFY(load.ok);
    QCOMPARE(load.image.FlashImage[0], 0x0201);
    // An unknown record type is passed over.
    QVERIFY(LoadFirmware(":0400000300001234B3\n:080000000102030004050600E3\n").ok);
}

void FirmwareImageTest::endIndexFollowsHighestWord()
{
    // Word 0x1100 (byte 0x2200) comes first in the file, word 0x1000 (byte 0x2000) last.
    const FirmwareLoad load = LoadFirmware(":04220000AABBCCDDCC\n:042000001122334432\n");
    QVERIFY(load.ok);
    QCOMPARE(load.image.FlashImage[0x1100], 0xBBAA);
    QCOMPARE(load.image.FlashImage[0x1000], 0x2211);
    QCOMPARE(load.image.LowestAddress, 4096.0);
    QCOMPARE(load.image.EndIndex, double(0x1101 + 256));
}

void FirmwareImageTest::lineEndingsGiveTheSameImage()
{
    const QByteArray lines[] = {":080000000102030004050600E3", "", ":020000040001F9",
                                ":040000001122334452", ":00000001FF"};
    for (const char* ending : {"\n", "\r", "\r\n"}) {
        QByteArray file;
        for (const QByteArray& line : lines)
            file += line + ending;
        const FirmwareLoad load = LoadFirmware(file);
        QVERIFY2(load.ok, qPrintable(load.reason));
        QCOMPARE(load.image.FlashImage[32768], 0x2211);
        QCOMPARE(load.image.FlashImage[32769], 0x4433);
        QCOMPARE(load.image.FlashImage[0], 0x0201);
        QCOMPARE(load.image.FlashImage[3], 0x0006);
        QCOMPARE(load.image.LowestAddress, 0.0);
        QCOMPARE(load.image.EndIndex, 32769.0 + 256);
    }
}

void FirmwareImageTest::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    const QByteArray good = ":080000000102030004050600E3\r\n";
    QTest::newRow("no colon") << good + "\r\n080000000102030004050600E3\r\n"
                              << 3 << "Firmware file fw.kfw, line 3: missing \":\" at the start.";
    QTest::newRow("not hex") << good + ":08000000010203000405060XE3\r\n"
                             << 2
                             << "Firmware file fw.kfw, line 2: a character that is not a "
                                "hexadecimal digit.";
    QTest::newRow("trailing blank") << good + ":00000001FF \r\n"
                                    << 2
                                    << "Firmware file fw.kfw, line 2: a character that is not "
                                       "a hexadecimal digit.";
    QTest::newRow("odd digits") << QByteArray(":080000000102030004050600E\n") + good << 1
                                << "Firmware file fw.kfw, line 1: an odd number of hexadecimal "
                                   "digits.";
    QTest::newRow("colon alone") << good + ":\n"
                                 << 2 << "Firmware file fw.kfw, line 2: too short for a record.";
    QTest::newRow("short") << good + ":00000001\n"
                           << 2 << "Firmware file fw.kfw, line 2: too short for a record.";
    QTest::newRow("count") << good + ":090000000102030004050600E2\n"
                           << 2
                           << "Firmware file fw.kfw, line 2: byte count does not match the line "
                              "length.";
    QTest::newRow("checksum") << good + "\n\n:080000000102030004050600E4\n"
                              << 4 << "Firmware file fw.kfw, line 4: wrong checksum.";
    QTest::newRow("odd data") << good + ":03000000010203F7\n"
                              << 2
                              << "Firmware file fw.kfw, line 2: data record with an odd byte "
                                 "count.";
    QTest::newRow("short extended address") << QByteArray(":00000004FC\n") + good << 1
                                            << "Firmware file fw.kfw, line 1: extended address "
                                               "record with fewer than 2 data bytes.";
    QTest::newRow("short segment address") << good + ":0100000210ED\n"
                                           << 2
                                           << "Firmware file fw.kfw, line 2: extended address "
                                              "record with fewer than 2 data bytes.";
    // Byte address 0x0001: its words would lie between word addresses.
    QTest::newRow("odd byte address") << good + ":02000100AABB98\n"
                                      << 2
                                      << "Firmware file fw.kfw, line 2: data record at an odd "
                                         "byte address.";
    // Segment 0x0001 gives byte 0x10 + 0x0003.
    QTest::newRow("odd address after a segment")
        << good + ":020000020001FB\n:02000300AABB96\n"
        << 3 << "Firmware file fw.kfw, line 3: data record at an odd byte address.";
    // Byte address 0xFFDFFE is word 0x7FEFFF, the last word before data EEPROM.
    QTest::newRow("just below data EEPROM") << good + ":0200000400FFFB\n:02DFFE00AABBBC\n"
                                            << 3
                                            << "Firmware file fw.kfw, line 3: data beyond word "
                                               "address 1000000.";
    QTest::newRow("configuration memory only")
        << QByteArray(":0200000401F009\n:04000000FFFF0000FE\n") << 0
        << "Firmware file fw.kfw: no data for program memory.";
    // Byte address 0x1E8482 is word 1,000,001.
    QTest::newRow("beyond the image") << good + ":02000004001EDC\n:02848200AABB93\n"
                                      << 3
                                      << "Firmware file fw.kfw, line 3: data beyond word address "
                                         "1000000.";
    QTest::newRow("no data") << QByteArray(":020000040001F9\n:00000001FF\n") << 0
                             << "Firmware file fw.kfw: no data records.";
    QTest::newRow("empty file") << QByteArray() << 0 << "Firmware file fw.kfw: no data records.";
    // 261 bytes: longer than a record of 255 data bytes.
    QTest::newRow("longer than any record")
        << good + ':' + QByteArray(522, '0') + '\n'
        << 2 << "Firmware file fw.kfw, line 2: byte count does not match the line length.";
}

void FirmwareImageTest::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QFETCH(QString, message);
    const FirmwareLoad load = LoadFirmware(file);
    QVERIFY(!load.ok);
    QCOMPARE(load.errorLine, line);
    QCOMPARE(FirmwareRefusal(QStringLiteral("fw.kfw"), load), message);
}

void FirmwareImageTest::dataAtTheLastWordIsKept()
{
    // Byte address 0x1E8480 is word 1,000,000, the last of the image.
    const FirmwareLoad load = LoadFirmware(":02000004001EDC\n:02848000AABB95\n");
    QVERIFY2(load.ok, qPrintable(load.reason));
    QCOMPARE(load.image.FlashImage[1000000], 0xBBAA);
    QCOMPARE(load.image.EndIndex, 1000000.0);
}

void FirmwareImageTest::missingFileIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("absent.kfw"));
    const FirmwareLoad load = LoadFirmwareFile(path);
    QVERIFY(!load.ok);
    QCOMPARE(FirmwareRefusal(path, load), "Firmware file " + path + ": cannot be read.");

    const QString present = dir.filePath(QStringLiteral("fw.kfw"));
    QFile file(present);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(":080000000102030004050600E3\r\n:00000001FF\r\n");
    file.close();
    const FirmwareLoad loaded = LoadFirmwareFile(present);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.image.FlashImage[3], 0x0006);
}

void FirmwareImageTest::wordsReadErasedWhereNothingWasWritten()
{
    FlashWords words(2500);
    QCOMPARE(words.size(), std::size_t(2500));
    QCOMPARE(words[0], 0xFFFF);
    words.set(2048, 0x0007);
    words.set(2499, 0x1234);
    QCOMPARE(words[2048], 0x0007);
    QCOMPARE(words[2049], 0xFFFF);
    QCOMPARE(words[2499], 0x1234);
    QCOMPARE(words[2500], 0xFFFF);

    // Only the written page is stored, up to the image's end; a copy keeps its own words.
    FlashWords copy = words;
    copy.set(2048, 0x0008);
    QCOMPARE(words[2048], 0x0007);
    std::vector<std::size_t> indices;
    words.forEachStored([&](std::size_t index, qint32) { indices.push_back(index); });
    QCOMPARE(indices.size(), std::size_t(452));
    QCOMPARE(indices.front(), std::size_t(2048));
    QCOMPARE(indices.back(), std::size_t(2499));
}

void FirmwareImageTest::segmentAddressMovesTheBaseBySixteens()
{
    // Segment 0x1000 is byte 0x10000, word 0x8000; segment 0x0001 is byte 0x10, word 8. A
    // linear address record after them sets the base as it stands; start addresses (3, 5)
    // change nothing.
    const FirmwareLoad load = LoadFirmware(":020000021000EC\n:040000001122334452\n"
                                           ":020000020001FB\n:04000000AABBCCDDEE\n"
                                           ":0400000300001234B3\n:0400000500000100F6\n"
                                           ":020000040001F9\n:0400100001020304E2\n");
    QVERIFY2(load.ok, qPrintable(load.reason));
    QCOMPARE(load.image.FlashImage[0x8000], 0x2211);
    QCOMPARE(load.image.FlashImage[0x8001], 0x4433);
    QCOMPARE(load.image.FlashImage[8], 0xBBAA);
    QCOMPARE(load.image.FlashImage[9], 0xDDCC);
    QCOMPARE(load.image.FlashImage[0x8008], 0x0201);
    QCOMPARE(load.image.FlashImage[0], 0xFFFF);
    QCOMPARE(load.image.LowestAddress, 8.0);
    QCOMPARE(load.image.EndIndex, double(0x8009 + 256));
}

void FirmwareImageTest::memoryOutsideProgramMemoryIsLeftOut()
{
    // Code at word 0x200, 12 configuration words at word 0xF80000 (byte 0x1F00000), one word
    // of data EEPROM at 0x7FF000 (byte 0xFFE000) and two of user IDs at 0x800000 (byte
    // 0x1000000).
    const FirmwareLoad load = LoadFirmware(":0200000401F009\n"
                                           ":10000000CFFF0000FFFF0000FFFF0000FFFF000028\n"
                                           ":0800100090FF000070FF0000EA\n"
                                           ":020000040000FA\n"
                                           ":080400000102030004050600DF\n"
                                           ":0200000400FFFB\n"
                                           ":02E000003412D8\n"
                                           ":020000040100F9\n"
                                           ":04000000AAAABBBB32\n");
    QVERIFY2(load.ok, qPrintable(load.reason));
    QCOMPARE(load.image.FlashImage[0x200], 0x0201);
    QCOMPARE(load.image.FlashImage[0x203], 0x0006);
    QCOMPARE(load.image.LowestAddress, double(0x200));
    QCOMPARE(load.image.EndIndex, double(0x203 + 256));
    QCOMPARE(load.dataRanges.size(), std::size_t(1));
    QCOMPARE(load.dataRanges[0].first, qint64(0x200));
    QCOMPARE(load.dataRanges[0].last, qint64(0x203));
    QCOMPARE(load.leftOut.size(), std::size_t(3));
    QCOMPARE(load.leftOut[0].range.first, qint64(0x7FF000));
    QCOMPARE(load.leftOut[0].range.last, qint64(0x7FF000));
    QCOMPARE(load.leftOut[0].memory, QStringLiteral("data EEPROM"));
    QCOMPARE(load.leftOut[1].range.first, qint64(0x800000));
    QCOMPARE(load.leftOut[1].range.last, qint64(0x800001));
    QCOMPARE(load.leftOut[1].memory, QStringLiteral("device and user IDs"));
    QCOMPARE(load.leftOut[2].range.first, qint64(0xF80000));
    QCOMPARE(load.leftOut[2].range.last, qint64(0xF8000B));
    QCOMPARE(load.leftOut[2].memory, QStringLiteral("configuration memory"));

    // A run that crosses from data EEPROM into the next memory is told as two.
    const FirmwareLoad across =
        LoadFirmware(":040000001122334452\n"
                     ":0200000400FFFB\n:10FFF8000102030405060708091011121314151647\n");
    QVERIFY2(across.ok, qPrintable(across.reason));
    QCOMPARE(across.leftOut.size(), std::size_t(2));
    QCOMPARE(across.leftOut[0].range.first, qint64(0x7FFFFC));
    QCOMPARE(across.leftOut[0].range.last, qint64(0x7FFFFF));
    QCOMPARE(across.leftOut[1].range.first, qint64(0x800000));
    QCOMPARE(across.leftOut[1].range.last, qint64(0x800003));
    QCOMPARE(across.image.EndIndex, 257.0);
}

void FirmwareImageTest::summaryNamesRangesRowsAndWhatIsLeftOut()
{
    const FirmwareLoad load = LoadFirmware(":080000000102030004050600E3\n"
                                           ":04100000AABBCCDDDE\n"
                                           ":0200000401F009\n"
                                           ":10000000CFFF0000FFFF0000FFFF0000FFFF000028\n"
                                           ":0800100090FF000070FF0000EA\n");
    QVERIFY2(load.ok, qPrintable(load.reason));
    // Words 0-3 and 0x800-0x801; the walk goes on to word 0x801 + 256: rows 0 to 0x880.
    QCOMPARE(RowsToProgram(load), 18);
    QCOMPARE(FirmwareSummary(QStringLiteral("fw.kfw"), load),
             (QStringList{"Firmware file fw.kfw: 18 rows to program, data at words "
                          "0x000000-0x000003, 0x000800-0x000801.",
                          "Firmware file fw.kfw: 12 words at 0xF80000-0xF8000B (configuration "
                          "memory) are not programmed."}));

    const FirmwareLoad one = LoadFirmware(":02000000AABB99\n:0200000400FFFB\n:02E000003412D8\n");
    QVERIFY2(one.ok, qPrintable(one.reason));
    QCOMPARE(FirmwareSummary(QStringLiteral("a.kfw"), one),
             (QStringList{"Firmware file a.kfw: 2 rows to program, data at words 0x000000.",
                          "Firmware file a.kfw: 1 word at 0x7FF000 (data EEPROM) is not "
                          "programmed."}));
}

// Records in any order, written twice or adjoining, give one range; words from 0xFF0000 on
// are the device and user IDs. The last line needs no line end.
void FirmwareImageTest::runsOutOfOrderAreJoinedAndIdsNamed()
{
    const FirmwareLoad load = LoadFirmware(
        HexRecord(0, 8, QByteArray("\x01\x02\x03\x04", 4)) +
        HexRecord(0, 0, QByteArray("\x11\x12\x13\x14\x15\x16\x17\x18", 8)) +
        HexRecord(0, 0, QByteArray("\x21\x22", 2)) + HexRecord(4, 0, QByteArray("\x01\xFE", 2)) +
        HexRecord(0, 0, QByteArray("\xAA\xBB\xCC\xDD", 4)).trimmed());
    QVERIFY2(load.ok, qPrintable(load.reason));
    QCOMPARE(load.dataRanges.size(), std::size_t(1));
    QCOMPARE(load.dataRanges[0].first, qint64(0));
    QCOMPARE(load.dataRanges[0].last, qint64(5));
    QCOMPARE(load.image.FlashImage[0], qint32(0x2221));
    QCOMPARE(load.image.FlashImage[1], qint32(0x1413));
    QCOMPARE(load.image.FlashImage[5], qint32(0x0403));
    QCOMPARE(load.leftOut.size(), std::size_t(1));
    QCOMPARE(load.leftOut[0].range.first, qint64(0xFF0000));
    QCOMPARE(load.leftOut[0].range.last, qint64(0xFF0001));
    QCOMPARE(load.leftOut[0].memory, QStringLiteral("device and user IDs"));
}

// A file with many gaps names the first eight ranges and counts the rest.
void FirmwareImageTest::summaryOfManyRangesAndOfOneRow()
{
    QByteArray file;
    for (int k = 0; k < 10; ++k)
        file += HexRecord(0, 8 * k, QByteArray("\x11\x22", 2));
    const FirmwareLoad load = LoadFirmware(file + HexEnd());
    QVERIFY2(load.ok, qPrintable(load.reason));
    QCOMPARE(load.dataRanges.size(), std::size_t(10));
    QCOMPARE(FirmwareSummary(QStringLiteral("gaps.hex"), load),
             QStringList{"Firmware file gaps.hex: 2 rows to program, data at words 0x000000, "
                         "0x000004, 0x000008, 0x00000C, 0x000010, 0x000014, 0x000018, "
                         "0x00001C, and 2 more."});

    // A load whose walk ends inside the first row sends that one row.
    FirmwareLoad oneRow;
    oneRow.ok = true;
    oneRow.image.LowestAddress = 0;
    oneRow.image.EndIndex = 200;
    oneRow.dataRanges = {{0, 7}};
    oneRow.leftOut = {{{0xF80000, 0xF80001}, QStringLiteral("configuration memory")}};
    QCOMPARE(RowsToProgram(oneRow), 1);
    QCOMPARE(FirmwareSummary(QStringLiteral("s.hex"), oneRow),
             (QStringList{"Firmware file s.hex: 1 row to program, data at words "
                          "0x000000-0x000007.",
                          "Firmware file s.hex: 2 words at 0xF80000-0xF80001 (configuration "
                          "memory) are not programmed."}));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FirmwareImageTest)
#include "tst_firmware_image.moc"
