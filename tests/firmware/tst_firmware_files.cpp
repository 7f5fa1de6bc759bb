#include "firmware/BinEncoding.h"
#include "firmware/FirmwareFiles.h"
#include "support/Files.h"
#include "support/MemoryLogger.h"
#include "support/PlatformSkip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {} // namespace

class FirmwareFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void encoding();
    void binFileNameAndTruncation();
    void shortInputGivesEmptyCopy();
    void binFailuresAreLogged();
    void choosingTheFirmwarePackage();
    void cancelledDialogChangesNothing();
};

void FirmwareFilesTest::encoding()
{
    // 0x01 - 0x92 wraps to 0x6F; 0x05040302 - 21394 = 0x0503AF70.
    QCOMPARE(EncodeBin(QByteArray("\x01\x02\x03\x04\x05", 5)),
             QByteArray("\x6F\x70\xAF\x03\x05", 5));
    // The 32-bit subtraction wraps below zero.
    QCOMPARE(EncodeBin(QByteArray("\x00\x00\x00\x00", 4)), QByteArray("\x6E\xAC\xFF\xFF", 4));
    QCOMPARE(EncodeBin(QByteArray("\x01\x02\x03", 3)), QByteArray());
    QCOMPARE(EncodeBin(QByteArray()), QByteArray());
}

void FirmwareFilesTest::binFileNameAndTruncation()
{
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("firmware.hex"));
    QCOMPARE(BinPathFor(hex), dir.filePath(QStringLiteral("firmware.hex.bin")));
    QVERIFY(writeFile(hex, QByteArray("\x01\x02\x03\x04\x05", 5)));
    QVERIFY(writeFile(hex + ".bin", QByteArray(100, 'x')));

    MemoryLogger log;
    FirmwareFiles files(
        log, [&](const QString&) { return hex; }, [](const QString&, const QString&) {});
    files.generateBin();
    QCOMPARE(readFile(hex + ".bin"), QByteArray("\x6F\x70\xAF\x03\x05", 5));
    QVERIFY(log.lines.isEmpty());
}

void FirmwareFilesTest::shortInputGivesEmptyCopy()
{
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("tiny.hex"));
    QVERIFY(writeFile(hex, "abc"));
    QCOMPARE(WriteBinFile(hex), BinWrite::Written);
    QVERIFY(QFileInfo::exists(hex + ".bin"));
    QCOMPARE(readFile(hex + ".bin"), QByteArray());
}

void FirmwareFilesTest::binFailuresAreLogged()
{
    QTemporaryDir dir;
    MemoryLogger log;
    QString chosen = dir.filePath(QStringLiteral("absent.hex"));
    FirmwareFiles files(
        log, [&](const QString&) { return chosen; }, [](const QString&, const QString&) {});
    files.generateBin();
    QCOMPARE(log.lines, QStringList{"HEX file " + chosen + " cannot be read."});
    QVERIFY(!QFileInfo::exists(chosen + ".bin"));

    // A folder where the copy should go cannot be written over.
    chosen = dir.filePath(QStringLiteral("blocked.hex"));
    QVERIFY(writeFile(chosen, "0123456789"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked.hex.bin")));
    log.lines.clear();
    files.generateBin();
    QCOMPARE(log.lines, QStringList{"Bin file " + chosen + ".bin cannot be written."});

    // A disk that fills up under the copy: the copy is a link to /dev/full.
    SKIP_UNLESS_LINUX("a full disk is /dev/full; the cases above ran");
    chosen = dir.filePath(QStringLiteral("full.hex"));
    QVERIFY(writeFile(chosen, "0123456789"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), chosen + ".bin"));
    QCOMPARE(WriteBinFile(chosen), BinWrite::OutputUnwritable);
    log.lines.clear();
    files.generateBin();
    QCOMPARE(log.lines, QStringList{"Bin file " + chosen + ".bin cannot be written."});
}

void FirmwareFilesTest::choosingTheFirmwarePackage()
{
    MemoryLogger log;
    QStringList patterns;
    QList<QPair<QString, QString>> settings;
    FirmwareFiles files(
        log,
        [&](const QString& pattern) {
            patterns.append(pattern);
            return QStringLiteral("/data/board v2.kfw");
        },
        [&](const QString& key, const QString& value) {
            settings.append({key, value});
        });
    QCOMPARE(files.chooseFirmware(), QStringLiteral("/data/board v2.kfw"));
    QCOMPARE(patterns, QStringList{"*.kfw"});
    QCOMPARE(settings.size(), 1);
    QCOMPARE(settings[0].first, QStringLiteral("Firmware"));
    QCOMPARE(settings[0].second, QStringLiteral("/data/board v2.kfw"));
}

void FirmwareFilesTest::cancelledDialogChangesNothing()
{
    MemoryLogger log;
    QStringList patterns;
    int settingWrites = 0;
    FirmwareFiles files(
        log,
        [&](const QString& pattern) {
            patterns.append(pattern);
            return QString();
        },
        [&](const QString&, const QString&) { ++settingWrites; });
    QCOMPARE(files.chooseFirmware(), QString());
    files.generateBin();
    QCOMPARE(patterns, (QStringList{"*.kfw", "*.hex"}));
    QCOMPARE(settingWrites, 0);
    QVERIFY(log.lines.isEmpty());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FirmwareFilesTest)
#include "tst_firmware_files.moc"
