#include "support/Bytes.h"
#include "support/Files.h"
#include "support/StartBoard.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray rowData(int seed)
{
    QByteArray data;
    for (int i = 0; i < 192; ++i)
        data.append(static_cast<char>((i * 7 + seed) & 0xFF));
    return data;
}

QByteArray rowPacket(const QByteArray& address, const QByteArray& data)
{
    return "+P" + address + data;
}

QByteArray flashLine(const char* address, const QByteArray& data)
{
    return QByteArray(address) + ' ' + data.toHex().toUpper() + '\n';
}

} // namespace

class TestBoardBootloader : public QObject
{
    Q_OBJECT

private slots:
    void downloadConversation()
    {
        QTemporaryDir dir;
        const QString flash = dir.filePath("flash.txt");
        START_BOARD(board, "--flash-out", flash);
        board.write("G");
        QCOMPARE(board.readFor(100), QByteArray());
        QCOMPARE(board.ask("+V", 3, 500), QByteArray("\x2B\x56\x13", 3));
        QCOMPARE(board.ask("+E", 2, 500), QByteArray("+E"));
        QCOMPARE(readFile(flash), QByteArray());

        // A row split across writes, then a row below it: the file stays sorted.
        const QByteArray high = rowPacket(QByteArray("\x01\x80\x00", 3), rowData(1));
        board.write(high.left(4));
        QTest::qSleep(20);
        board.write(high.mid(4, 100));
        QTest::qSleep(20);
        board.write(high.mid(104));
        QCOMPARE(board.read(5, 1000), QByteArray("\x2B\x50\x01\x80\x00", 5));
        QCOMPARE(readFile(flash), flashLine("018000", rowData(1)));
        const QByteArray low = rowPacket(QByteArray("\x00\x00\x80", 3), rowData(2));
        QCOMPARE(board.ask(low, 5, 1000), QByteArray("\x2B\x50\x00\x00\x80", 5));
        QCOMPARE(readFile(flash),
                 flashLine("000080", rowData(2)) + flashLine("018000", rowData(1)));

        QCOMPARE(board.ask("+E", 2, 500), QByteArray("+E"));
        QCOMPARE(readFile(flash), QByteArray());
        QCOMPARE(board.ask("+R", 2, 500), QByteArray("+R"));
        QCOMPARE(board.ask("F", 74).left(2), QByteArray("\x46\x12", 2));
        QCOMPARE(board.readFor(100), QByteArray());
    }

    void versionCodeOption()
    {
        START_BOARD(board, "--boot-version", "17");
        board.write("G");
        QCOMPARE(board.ask("+V", 3, 500), QByteArray("\x2B\x56\x11", 3));
    }

    void bootWindow()
    {
        START_BOARD(board);
        // Without a bootloader command the application comes back after 2 s.
        QCOMPARE(board.ask("GF", 1, 300), QByteArray());
        QTest::qSleep(2000);
        QCOMPARE(board.ask("F", 74).size(), 74);
        // Once a command has come, the bootloader stays until "+R".
        board.write("G");
        QCOMPARE(board.ask("+V", 3, 500).size(), 3);
        QTest::qSleep(2200);
        QCOMPARE(board.ask("F", 1, 300), QByteArray());
        QCOMPARE(board.ask("+R", 2, 500), QByteArray("+R"));
        QCOMPARE(board.ask("F", 74).size(), 74);
    }

    void rowFaults_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QList<QByteArray>>("replies");
        const QByteArray ack("\x2B\x50\x00\x04\x00", 5);
        QTest::newRow("fail every row")
            << QStringList{"--boot-fail-every", "1"} << QList<QByteArray>{"+F", "+F", "+F"};
        QTest::newRow("fail every 2nd")
            << QStringList{"--boot-fail-every", "2"} << QList<QByteArray>{ack, "+F", ack};
        QTest::newRow("checksum error") << QStringList{"--boot-checksum-error"}
                                        << QList<QByteArray>{QByteArray("\x2B\x23\x01", 3)};
        QTest::newRow("noise") << QStringList{"--boot-noise", "2"}
                               << QList<QByteArray>{QByteArray("\x78\x78") + ack};
        QTest::newRow("silent after 1")
            << QStringList{"--boot-silent-after", "1"} << QList<QByteArray>{ack, QByteArray()};
    }

    void rowFaults()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QList<QByteArray>, replies);
        QTemporaryDir dir;
        const QString flash = dir.filePath("flash.txt");
        BoardProcess board(arguments + QStringList{"--flash-out", flash},
                           BoardProcess::OpenPort | BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        board.write("G");
        board.write("+E");
        QCOMPARE(board.read(arguments.contains("--boot-noise") ? 4 : 2, 500).right(2),
                 QByteArray("+E"));
        const QByteArray packet = rowPacket(QByteArray("\x00\x04\x00", 3), rowData(3));
        bool anyAcknowledged = false;
        for (const QByteArray& expected : replies) {
            QCOMPARE(board.ask(packet, std::max<qsizetype>(expected.size(), 1), 150), expected);
            anyAcknowledged = anyAcknowledged || expected.endsWith(packet.mid(2, 3));
        }
        QCOMPARE(board.readFor(100), QByteArray());
        QCOMPARE(readFile(flash), anyAcknowledged ? flashLine("000400", rowData(3)) : "");
        if (arguments.contains("--boot-silent-after"))
            QCOMPARE(board.ask("+V", 1, 300), QByteArray());
    }

    void dropAfterFrames()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("board");
        START_BOARD(board, "--drop-after", "2", "--link", link);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(board.ask("F", 74).size(), 74);
        QCOMPARE(board.ask("F", 74).size(), 74);
        QCOMPARE(board.read(1, 3000), QByteArray());
        QVERIFY(board.linkEnded());
        QCOMPARE(board.waitForExit(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void failedRowsLeaveItInItsBootloader()
    {
        QTemporaryDir dir;
        const QString flash = dir.filePath("flash.txt");
        START_BOARD(board, "--boot-fail-first", "2", "--flash-out", flash);
        board.write("G");
        QCOMPARE(board.ask("+E", 2, 500), QByteArray("+E"));
        const QByteArray packet = rowPacket(QByteArray("\x00\x02\x00", 3), rowData(6));
        QCOMPARE(board.ask(packet, 2, 500), QByteArray("+F"));
        QCOMPARE(board.ask(packet, 2, 500), QByteArray("+F"));
        // Without "+R" the bootloader stays past its window: "G" and the application's "F"
        // go unanswered, and the next download is heard from its first command.
        QTest::qSleep(2200);
        QCOMPARE(board.ask("GF", 1, 300), QByteArray());
        QCOMPARE(board.ask("+V", 3, 500), QByteArray("\x2B\x56\x13", 3));
        QCOMPARE(board.ask("+E", 2, 500), QByteArray("+E"));
        QCOMPARE(board.ask(packet, 5, 500), QByteArray("\x2B\x50\x00\x02\x00", 5));
        QCOMPARE(readFile(flash), flashLine("000200", rowData(6)));
        QCOMPARE(board.ask("F", 1, 300), QByteArray());
    }

    void dropAfterRows()
    {
        START_BOARD(board, "--boot-drop-after", "1");
        board.write("G");
        const QByteArray packet = rowPacket(QByteArray("\x00\x00\x00", 3), rowData(4));
        QCOMPARE(board.ask(packet, 5, 1000), QByteArray("\x2B\x50\x00\x00\x00", 5));
        QCOMPARE(board.read(1, 3000), QByteArray());
        QVERIFY(board.linkEnded());
        QCOMPARE(board.waitForExit(), 0);
    }

    void linkAndCleanExit()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("board");
        const QString flash = dir.filePath("flash.txt");
        QVERIFY(QFile::link("/nonexistent/old-board", link));
        START_BOARD(board, "--link", link, "--flash-out", flash);
        QCOMPARE(QFile::symLinkTarget(link), board.portPath());
        board.write("G");
        const QByteArray packet = rowPacket(QByteArray("\x00\x01\x00", 3), rowData(5));
        QCOMPARE(board.ask(packet, 5, 1000).size(), 5);
        QVERIFY(QFile::remove(flash));
        QCOMPARE(board.terminate(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(readFile(flash), flashLine("000100", rowData(5)));
    }

    void linkNeverReplacesAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("precious");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        QProcess process;
        process.start(BoardProcess::program(), {"--link", path});
        QVERIFY(process.waitForFinished(5000));
        QVERIFY(process.exitCode() != 0);
        QCOMPARE(readFile(path), QByteArray("keep"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardBootloader)
#include "tst_BoardBootloader.moc"
