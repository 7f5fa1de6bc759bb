#include "session/DownloadBackup.h"

#include "constants/ConstantsImport.h"
#include "constants/ConstantsTableFile.h"
#include "core/Pause.h"
#include "firmware/FirmwareImage.h"
#include "session/BoardSession.h"
#include "support/BoardProcess.h"
#include "support/Bytes.h"
#include "support/Files.h"
#include "support/HexLines.h"
#include "support/MemoryLogger.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>
#include <memory>

namespace {

QByteArray writeCommand(int index, float value)
{
    return QByteArray("!") + char(index / 256) + char(index % 256) + floatBytes(value);
}

// The session as skyvane-cli makes it, on a virtual board whose erase takes the constants with
// it, with a firmware file to download.
struct BackupRig
{
    explicit BackupRig(QStringList boardOptions)
    {
        board = std::make_unique<BoardProcess>(boardOptions, BoardProcess::ShowErrors);
        BoardSession::Parts parts(log);
        session = std::make_unique<BoardSession>(parts);
        firmware = dir.filePath(QStringLiteral("fw.kfw"));
        writeFile(firmware, TwoSegmentFile());
    }
    ~BackupRig()
    {
        session.reset();
        board.reset();
    }
    bool open() { return session->OpenPort(board->portPath(), QStringLiteral("115200")); }
    // The table's payload bytes as the board sends them now.
    QByteArray table()
    {
        QByteArray payload;
        QEventLoop loop;
        QObject::connect(&session->dispatch(), &FrameDispatch::constantsFrame, &loop,
                         [&](const QByteArray& p) {
                             payload = p;
                             loop.quit();
                         });
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        session->link().SendCommand("[");
        loop.exec();
        return payload;
    }
    DownloadResult download(DownloadBackup& backup)
    {
        return backup.run(firmware, LoadFirmwareFile(firmware));
    }

    QTemporaryDir dir;
    MemoryLogger log;
    QString firmware;
    std::unique_ptr<BoardProcess> board;
    std::unique_ptr<BoardSession> session;
};

// Values whose decimal text would lose them if written with fewer digits, or whose sign and
// smallness only the bytes show.
const QList<std::pair<int, float>> Tricky{{0, 0.1f},
                                          {3, -0.0f},
                                          {7, 1.0f / 3.0f},
                                          {12, std::numeric_limits<float>::denorm_min()},
                                          {20, std::numeric_limits<float>::max()},
                                          {29, 16777217.0f}};

} // namespace

// The constants kept safe across a firmware download against the virtual board with
// --erase-constants: the copy before the reset, the count of differences after the start, and
// the copy imported and sent back restoring every entry to the byte.
class TestDownloadBackup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(BoardProcess::program()),
                 qPrintable(BoardProcess::program() + " is not built"));
    }

    void copyDifferenceAndRestore()
    {
        BackupRig r({QStringLiteral("--erase-constants")});
        QVERIFY(r.open());
        for (const auto& [index, value] : Tricky)
            r.session->link().SendCommand(writeCommand(index, value));
        const QByteArray before = r.table();
        QCOMPARE(before.size(), 30 * 4);
        for (const auto& [index, value] : Tricky)
            QCOMPARE(before.mid(4 * index, 4), floatBytes(value));

        const QString copy = r.dir.filePath(QStringLiteral("copy.csv"));
        DownloadBackup::Setup setup;
        setup.backupPath = [copy] { return copy; };
        setup.portName = [] { return QStringLiteral("COM33"); };
        DownloadBackup backup(*r.session, r.log, setup);
        const DownloadResult result = r.download(backup);
        QVERIFY2(result.programmed(), qPrintable(r.log.lines.join("\n")));

        // The copy was made before the download's own lines began (right after the port's
        // opening), and holds the table.
        QCOMPARE(r.log.lines.value(1),
                 QString("30 constants saved to %1 before the download.").arg(copy));
        QVERIFY(r.log.lines.indexOf("Application Launched.") > 0);
        QCOMPARE(backup.copyPath(), copy);
        const ConstantsTableFile::Parsed parsed = ConstantsTableFile::parse(readFile(copy));
        QVERIFY2(parsed.ok, qPrintable(parsed.error));
        QCOMPARE(parsed.table, ConstantsTableFile::tableOf(before));
        QVERIFY(readFile(copy).startsWith("# Skyvane constants, "));
        QVERIFY(readFile(copy).split('\n').first().endsWith(", port COM33"));

        // The erase reset the six entries to a fresh board's.
        QCOMPARE(backup.differing(), 6);
        QCOMPARE(r.log.lines.last(),
                 QString("After the download 6 of 30 constants differ from the copy %1; Import "
                         "Constants restores them.")
                     .arg(copy));
        QVERIFY(r.table() != before);

        // Imported and sent, the copy gives the board its very bytes back.
        ConstantsImport::Steps steps;
        steps.send = [&](const QByteArray& bytes) { r.session->link().SendCommand(bytes); };
        steps.pause = [](int) { PauseMs(20); };
        QByteArray reread;
        steps.requestTable = [&] { reread = r.table(); };
        QByteArray now = r.table();
        steps.boardTable = [&] { return ConstantsTableFile::tableOf(now); };
        steps.confirm = [](const QList<ConstantDifference>& d) { return d.size() == 6; };
        steps.log = [&](const QString& text) { r.log.AddLog(text); };
        QCOMPARE(ConstantsImport::importTable(readFile(copy), steps), 6);
        QCOMPARE(hexDump(reread), hexDump(before));
    }

    // A board that does not answer "[": one line, no file, and the download as before.
    void noTableNoCopy()
    {
        BackupRig r({QStringLiteral("--no-constants-reply")});
        QVERIFY(r.open());
        const QString copy = r.dir.filePath(QStringLiteral("copy.csv"));
        DownloadBackup::Setup setup;
        setup.backupPath = [copy] { return copy; };
        DownloadBackup backup(*r.session, r.log, setup);
        QVERIFY(r.download(backup).programmed());
        QCOMPARE(r.log.lines.value(1), QString("The board sent no constants table before the "
                                               "download; the download goes on without a copy."));
        QVERIFY(!QFile::exists(copy));
        QVERIFY(backup.copyPath().isEmpty());
        QCOMPARE(backup.differing(), -1);
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
    }

    // Without a copy asked for, the download's log is the download's alone; a refused file
    // sends nothing at all.
    void noBackupAndRefusedFile()
    {
        QTemporaryDir dir;
        const QString heard = dir.filePath(QStringLiteral("heard.bin"));
        BackupRig r({QStringLiteral("--record"), heard});
        QVERIFY(r.open());
        DownloadBackup off(*r.session, r.log, DownloadBackup::Setup());
        QVERIFY(r.download(off).programmed());
        for (const QString& line : r.log.lines)
            QVERIFY2(!line.contains("constants"), qPrintable(line));
        // The board heard the reset first (no "[" before it) and the start last (nothing after).
        QVERIFY(readFile(heard).startsWith("G"));
        QVERIFY(readFile(heard).endsWith("+R"));

        r.log.lines.clear();
        const QString bad = r.dir.filePath(QStringLiteral("bad.kfw"));
        QVERIFY(writeFile(bad, ":0000000\r\n"));
        DownloadBackup::Setup setup;
        bool asked = false;
        setup.backupPath = [&] {
            asked = true;
            return r.dir.filePath(QStringLiteral("never.csv"));
        };
        DownloadBackup backup(*r.session, r.log, setup);
        QCOMPARE(backup.run(bad, LoadFirmwareFile(bad)).outcome, DownloadResult::Refused);
        QVERIFY(!asked);
        QCOMPARE(r.log.lines.size(), 1);
    }

    void fileName()
    {
        const QString name = BackupFileName(QStringLiteral("/dev/pts/3"), QStringLiteral("/tmp"));
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^/tmp/skyvane-constants-\\d{8}-\\d{6}-dev-pts-3\\.csv$"))
                     .match(name)
                     .hasMatch(),
                 qPrintable(name));
        QVERIFY(BackupFileName(QStringLiteral("A10K1234"), QStringLiteral("/tmp"))
                    .endsWith("-A10K1234.csv"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestDownloadBackup)
#include "tst_download_backup.moc"
