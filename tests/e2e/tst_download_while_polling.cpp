// "Download Firmware" pressed in a window that polls the board, against a board whose answer to
// "F" comes after the program stopped reading frames, with bytes in it that look like the
// start of a bootloader reply.

#include "support/AppRig.h"
#include "support/BoardProcess.h"
#include "support/Files.h"
#include "support/HexLines.h"

#include "core/WindowTimer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// 128 instructions from word 0: the board's flash then holds these two rows and the two
// erased rows the walk goes on to, as low, middle and high byte of each instruction.
QByteArray Code()
{
    QByteArray code;
    for (int i = 0; i < 512; ++i)
        code.append(i % 4 == 3 ? '\0' : char((i * 13 + 5) & 0xFF));
    return code;
}

QByteArray ExpectedFlash()
{
    const QByteArray code = Code();
    QByteArray rows[2];
    for (int i = 0; i < 512; ++i) {
        if (i % 4 != 3)
            rows[i / 256].append(code[i]);
    }
    const QByteArray erased = QByteArray(192, char(0xFF)).toHex().toUpper();
    return "000000 " + rows[0].toHex().toUpper() + "\n000080 " + rows[1].toHex().toUpper() +
           "\n000100 " + erased + "\n000180 " + erased + "\n";
}

} // namespace

class TestDownloadWhilePolling : public QObject
{
    Q_OBJECT
private slots:
    void fiveDownloadsInARow_data();
    void fiveDownloadsInARow();
};

void TestDownloadWhilePolling::fiveDownloadsInARow_data()
{
    QTest::addColumn<QString>("frameBytes");
    // "+" and a letter no reply starts with; then the letters of real replies.
    QTest::newRow("+Z") << "2B5A";
    QTest::newRow("+E") << "2B45";
    QTest::newRow("+V") << "2B5613";
}

void TestDownloadWhilePolling::fiveDownloadsInARow()
{
    QFETCH(QString, frameBytes);
    QTemporaryDir dir;
    const QString flash = dir.filePath("flash.txt");
    const QString firmware = dir.filePath("fw.kfw");
    QVERIFY(writeFile(firmware, HexData(0, Code()) + HexEnd()));
    BoardProcess board(
        {"--late-frames", "45", "--late-frame-bytes", frameBytes, "--flash-out", flash});
    QVERIFY2(!board.portPath().isEmpty(), qPrintable(board.error()));

    AppRig rig;
    rig.app->Load();
    Form1& form = rig.form();
    form.Combo1->setEditText(board.portPath());
    form.Command2->click();
    form.Check7->setChecked(true);
    QCOMPARE(form.Timer12->Interval(), 33);
    form.Text1->setText(firmware);

    // A download that hangs is ended as the operator would, so that the test can tell.
    int hung = 0;
    QTimer operatorWatch;
    operatorWatch.setSingleShot(true);
    operatorWatch.setInterval(20000);
    QObject::connect(&operatorWatch, &QTimer::timeout, [&] {
        ++hung;
        form.Command3->click();
    });

    for (int run = 1; run <= 5; ++run) {
        // Frames flow again between downloads; one is always on its way when the button is
        // pressed.
        QTRY_COMPARE_WITH_TIMEOUT(form.Text32->text(), QString("Data OK"), 3000);
        QTest::qWait(200 + 37 * run);
        const qsizetype before = rig.logLines().size();
        operatorWatch.start();
        form.Command4->click();
        operatorWatch.stop();
        QCOMPARE(hung, 0);
        QStringList messages;
        for (const QString& line : rig.logLines().mid(before))
            messages << line.mid(24);
        QVERIFY2(messages.count("Veltis Bootloader Version 1.9 (33E).") == 1,
                 qPrintable(messages.join(" | ")));
        QCOMPARE(messages.count("Flash Erased successfully."), 1);
        QCOMPARE(messages.last(), QString("Application Launched."));
        QCOMPARE(readFile(flash), ExpectedFlash());
    }
}

#include "support/TestMain.h"

QTEST_MAIN(TestDownloadWhilePolling)
#include "tst_download_while_polling.moc"
