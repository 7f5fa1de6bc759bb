// Firmware packages as the distribution's tools and the 16-bit PIC toolchain write them, made
// at test time and downloaded to the virtual board. The rows the board receives are compared
// with a model of the image written here from the bytes themselves, not with the loader.

#include "BoardBench.h"
#include "support/Files.h"
#include "support/HexLines.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <map>

namespace {

// Byte address to byte, as the file puts them in program memory.
using Bytes = std::map<qint64, quint8>;

// The rows the bootloader must receive for these bytes, as the board's flash file lists them:
// every row from the one holding the lowest word (at most 65536) up to the last whole row
// that ends within 256 words past the highest word; each instruction as its low, middle and
// high byte, 0xFF where the file has nothing.
QByteArray ModelRows(const Bytes& bytes)
{
    const qint64 lowestWord = std::min<qint64>(bytes.begin()->first / 2, 65536);
    const qint64 endWord = bytes.rbegin()->first / 2 + 256;
    const auto at = [&](qint64 address) {
        const auto found = bytes.find(address);
        return found == bytes.end() ? quint8(0xFF) : found->second;
    };
    QByteArray rows;
    for (qint64 row = lowestWord / 128 * 128; row + 126 <= endWord; row += 128) {
        QByteArray data;
        for (qint64 word = row; word < row + 128; word += 2) {
            data.append(char(at(2 * word)));
            data.append(char(at(2 * word + 1)));
            data.append(char(at(2 * word + 2)));
        }
        rows += QByteArray::number(row, 16).rightJustified(6, '0').toUpper() + ' ' +
                data.toHex().toUpper() + '\n';
    }
    return rows;
}

int ModelRowCount(const QByteArray& rows)
{
    return int(rows.count('\n'));
}

// A program image of instructions from byte 0: three bytes of each instruction vary, the
// fourth is the padding byte 0 the toolchains write.
QByteArray ProgramBinary(int size)
{
    QByteArray binary;
    for (int k = 0; k < size; ++k)
        binary.append(k % 4 == 3 ? '\0' : char((k * 37 + k / 1021) & 0xFF));
    return binary;
}

Bytes BytesAt(qint64 first, const QByteArray& data)
{
    Bytes bytes;
    for (qsizetype i = 0; i < data.size(); ++i)
        bytes[first + i] = quint8(data[i]);
    return bytes;
}

// Runs a tool of the distribution; an empty text when it worked, otherwise why not.
QString RunTool(const QString& name, const QStringList& args)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return name + QStringLiteral(" is not installed (scripts/install-deps installs it)");
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return name + QStringLiteral(" failed: ") +
               QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

const QString WrittenBinary = QStringLiteral("app.bin");

} // namespace

class FirmwareToolchainsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void distributionTools_data();
    void distributionTools();
    void picToolchainLayout();

private:
    // Downloads the file to a fresh board; checks the summary line and that the board's flash
    // holds exactly the model's rows.
    void downloadAndCompare(BoardBench& bench, const QByteArray& file, const Bytes& bytes);
};

void FirmwareToolchainsTest::initTestCase()
{
    if (!QFile::exists(BoardProcess::program()))
        QFAIL("board-sim is not built");
}

void FirmwareToolchainsTest::downloadAndCompare(BoardBench& bench, const QByteArray& file,
                                                const Bytes& bytes)
{
    QVERIFY(bench.start({}));
    bench.writeFirmware(file);
    bench.download.run();
    QVERIFY2(bench.programmedLogged(), qPrintable(bench.log.lines.join('|')));
    QCOMPARE(bench.log.lines.last(), QStringLiteral("Application Launched."));
    const QByteArray expected = ModelRows(bytes);
    const QString rows = QString::number(ModelRowCount(expected)) + " rows to program";
    QVERIFY2(bench.log.lines.first().startsWith("Firmware file " + bench.path + ": " + rows),
             qPrintable(bench.log.lines.first()));
    const QByteArray flash = readFile(bench.flashOut()).toUpper();
    QCOMPARE(flash.count('\n'), expected.count('\n'));
    QVERIFY2(flash == expected, "the board's rows differ from the model's");
}

void FirmwareToolchainsTest::distributionTools_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    // What must be in the file, so the case tests what it says.
    QTest::addColumn<QByteArray>("addressRecord");
    QTest::addColumn<int>("size");
    // objcopy addresses the second 64 KiB with an extended segment address record.
    QTest::newRow("objcopy 96 KiB")
        << "objcopy" << QStringList{"-I", "binary", "-O", "ihex", WrittenBinary, "fw.hex"}
        << QByteArray(":020000021000EC") << 96 * 1024;
    for (const int block : {16, 44, 250}) {
        QTest::addRow("srec_cat %d bytes a line", block)
            << "srec_cat"
            << QStringList{WrittenBinary,         "-binary", "-o", "fw.hex", "-intel", "-obs",
                           QString::number(block)}
            << QByteArray(":020000040001F9") << 160 * 1024 + 36;
    }
}

void FirmwareToolchainsTest::distributionTools()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, addressRecord);
    QFETCH(int, size);
    BoardBench bench;
    const QByteArray binary = ProgramBinary(size);
    QFile out(bench.dir.filePath(WrittenBinary));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(binary);
    out.close();
    for (QString& arg : args) {
        if (arg == WrittenBinary || arg == QStringLiteral("fw.hex"))
            arg = bench.dir.filePath(arg);
    }
    const QString failure = RunTool(tool, args);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QByteArray file = readFile(bench.dir.filePath(QStringLiteral("fw.hex")));
    QVERIFY2(file.contains(addressRecord), file.left(200).constData());
    downloadAndCompare(bench, file, BytesAt(0, binary));
}

void FirmwareToolchainsTest::picToolchainLayout()
{
    // As the 16-bit PIC toolchain writes a build: a linear address record before each
    // section, the reset GOTO at word 0, code from word 0x200, a record starting in the
    // middle of row 0x600, one crossing from row 0x700 into row 0x780, and the configuration
    // words at word 0xF80000 (byte 0x1F00000).
    const QByteArray gotoMain = QByteArray::fromHex("0002040000000000");
    const QByteArray code = ProgramBinary(0x400);
    const QByteArray midRow = QByteArray::fromHex("11223300445566007788990001020300");
    const QByteArray acrossRows = QByteArray::fromHex("A1A2A300B1B2B300C1C2C300D1D2D300");
    QByteArray config;
    for (int i = 0; i < 12; ++i)
        config += QByteArray::fromHex(i % 2 ? "0000" : "CFFF");

    const QByteArray upper0 = HexRecord(4, 0, QByteArray::fromHex("0000"));
    QByteArray file = upper0 + HexRecord(0, 0x0000, gotoMain) + upper0 + HexData(0x0400, code) +
                      upper0 + HexRecord(0, 0x0C40, midRow) + HexRecord(0, 0x0EF8, acrossRows) +
                      HexRecord(4, 0, QByteArray::fromHex("01F0")) +
                      HexRecord(0, 0x0000, config.left(16)) + HexRecord(0, 0x0010, config.mid(16)) +
                      HexEnd();

    Bytes bytes = BytesAt(0, gotoMain);
    bytes.merge(BytesAt(0x0400, code));
    bytes.merge(BytesAt(0x0C40, midRow));
    bytes.merge(BytesAt(0x0EF8, acrossRows));

    BoardBench bench;
    downloadAndCompare(bench, file, bytes);
    QCOMPARE(bench.log.lines.mid(0, 2),
             (QStringList{"Firmware file " + bench.path +
                              ": 17 rows to program, data at words 0x000000-0x000003, "
                              "0x000200-0x0003FF, 0x000620-0x000627, 0x00077C-0x000783.",
                          "Firmware file " + bench.path +
                              ": 12 words at 0xF80000-0xF8000B (configuration memory) are not "
                              "programmed."}));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(FirmwareToolchainsTest)
#include "tst_firmware_toolchains.moc"
