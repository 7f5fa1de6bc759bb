#include "support/StartBoard.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Header = "# Skyvane recording started 2026-12-07T15:05:30, port COM3, 115200 "
                          "baud, polling 33 ms\n"
                          "time,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,hz,"
                          "code,f18\n";

QString writeFile(const QTemporaryDir& dir, const QByteArray& contents)
{
    const QString path = dir.filePath("session.csv");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return path;
}

} // namespace

class TestBoardReplay : public QObject
{
    Q_OBJECT

private slots:
    // Each "F" gets the next recorded frame, bytes as recorded; after the last complete line
    // (the cut one is not played) the first comes again.
    void answersWithTheRecordedFrames()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, Header + "0.000000,F,1,-2\n"
                                                     "0.033000,G,nan(0xffffffff)\n"
                                                     "0.066000,C,0,0,0,0,0,0,0,0.5\n"
                                                     "0.099000,R\n"
                                                     "0.132000,F,3");
        START_BOARD(board, "--replay", path);

        const QByteArray first("\x46\x02\x00\x00\x80\x3F\x00\x00\x00\xC0", 10);
        QCOMPARE(board.ask("F", 10), first);
        QCOMPARE(board.ask("F", 6), QByteArray("\x47\x01\xFF\xFF\xFF\xFF", 6));
        QCOMPARE(board.ask("F", 33),
                 QByteArray("C") + QByteArray(28, '\0') + QByteArray("\x00\x00\x00\x3F", 4));
        QCOMPARE(board.ask("F", 2), QByteArray("\x52\x00", 2));
        QCOMPARE(board.ask("F", 10), first);
        QCOMPARE(board.readFor(50), QByteArray());
    }

    void refusesAMalformedRecording_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");
        QTest::newRow("bad letter") << Header + "0.000000,F,1\n0.033000,X,1\n"
                                    << "line 4: frame letter \"X\" is not F, G, R or C";
        QTest::newRow("no frame") << Header << "holds no frame";
    }

    void refusesAMalformedRecording()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = writeFile(dir, contents);
        QProcess process;
        process.start(BoardProcess::program(), {"--replay", path});
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 2);
        const QString expected = error.startsWith("line")
                                     ? "board-sim: --replay: " + path + ": " + error + "\n"
                                     : "board-sim: --replay: " + path + " " + error + "\n";
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), expected);
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardReplay)
#include "tst_BoardReplay.moc"
