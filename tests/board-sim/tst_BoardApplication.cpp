#include "support/Bytes.h"
#include "support/StartBoard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
const QByteArray FHeader("\x46\x12", 2);

QList<float> floatsOf(const QByteArray& frame, qsizetype offset, qsizetype count)
{
    QList<float> values;
    for (qsizetype i = 0; i < count; ++i)
        values.append(floatAt(frame, offset + 4 * i));
    return values;
}

QByteArray writeCommand(int index, float value)
{
    return QByteArray("!") + static_cast<char>(index / 256) + static_cast<char>(index % 256) +
           floatBytes(value);
}

} // namespace

class TestBoardApplication : public QObject
{
    Q_OBJECT

private slots:
    void measurementFrameF()
    {
        START_BOARD(board);
        const QByteArray frame = board.ask("F", 74);
        QCOMPARE(frame.size(), 74);
        QCOMPARE(frame.left(2), FHeader);
        const QList<float> v = floatsOf(frame, 2, 18);
        for (float value : v)
            QVERIFY(std::isfinite(value));
        QVERIFY(std::abs(v[0]) <= 30.0 * Pi / 180.0 + 1e-6);
        QVERIFY(std::abs(v[1]) <= 15.0 * Pi / 180.0 + 1e-6);
        QVERIFY(v[2] >= 0.0f && v[2] < static_cast<float>(2 * Pi));
        QVERIFY(std::abs(v[13] - 0.6 * std::cos(v[2])) < 1e-4);
        QVERIFY(std::abs(v[14] + 0.6 * std::sin(v[2])) < 1e-4);
        QVERIFY(v[15] != 0.0f);
        QCOMPARE(v[16], 0.0f);
        QCOMPARE(board.readFor(50), QByteArray());

        QTest::qSleep(250);
        const QByteArray later = board.ask("F", 74);
        QCOMPARE(later.size(), 74);
        QVERIFY(floatAt(later, 10) != v[2]);
    }

    void otherFrameKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("size");
        QTest::newRow("G") << "G" << QByteArray("\x47\x07", 2) << 30;
        QTest::newRow("R") << "R" << QByteArray("\x52\x06", 2) << 26;
        QTest::newRow("C") << "C" << QByteArray("\x43", 1) << 33;
    }

    void otherFrameKinds()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, head);
        QFETCH(int, size);
        START_BOARD(board, "--frame", kind);
        const QByteArray frame = board.ask("F", size);
        QCOMPARE(frame.size(), size);
        QCOMPARE(frame.left(head.size()), head);
        const qsizetype first = head.size();
        const float psi = floatAt(frame, first + 8);
        QVERIFY(std::abs(floatAt(frame, first)) <= 30.0 * Pi / 180.0 + 1e-6);
        QVERIFY(psi >= 0.0f && psi < static_cast<float>(2 * Pi));
        if (kind == "R")
            QVERIFY(std::abs(floatAt(frame, first + 12) - 0.6 * std::cos(psi)) < 1e-4);
        if (kind == "C") {
            const float shown = floatAt(frame, first + 28);
            QVERIFY(shown >= 0.0f && shown < 360.0f);
        }
        QCOMPARE(board.readFor(50), QByteArray());
    }

    void alignmentAnswersTextFrame()
    {
        START_BOARD(board);
        QCOMPARE(board.ask("R", 16), QByteArray("*Alignment done#"));
    }

    void streamTogglesWithC()
    {
        START_BOARD(board, "--stream-ms", "20");
        board.write("C");
        const QByteArray streamed = board.readFor(400);
        QVERIFY2(streamed.size() >= 5 * 74, QByteArray::number(streamed.size()));
        for (qsizetype at = 0; at + 74 <= streamed.size(); at += 74)
            QCOMPARE(streamed.mid(at, 2), FHeader);
        board.write("C");
        board.readFor(100);
        QCOMPARE(board.readFor(150), QByteArray());
    }

    void calibrationWalksThroughSteps_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("magnetometers") << QByteArray("6") << QList<int>{13, 2, 8, 0};
        QTest::newRow("gyrometers") << QByteArray("5") << QList<int>{9, 10, 11, 10, 12, 10, 8, 0};
    }

    void calibrationWalksThroughSteps()
    {
        QFETCH(QByteArray, command);
        QFETCH(QList<int>, codes);
        START_BOARD(board, "--step-seconds", "0.2");
        board.write(command);
        QList<int> seen;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200 * codes.size() + 300) {
            const QByteArray frame = board.ask("F", 74);
            QCOMPARE(frame.size(), 74);
            const int code = static_cast<int>(floatAt(frame, 2 + 64));
            if (seen.isEmpty() || seen.last() != code)
                seen.append(code);
            QTest::qSleep(25);
        }
        QCOMPARE(seen, codes);
    }

    void constantsTableReadAndWrite()
    {
        START_BOARD(board);
        const QByteArray table = board.ask("[", 125);
        QCOMPARE(table.size(), 125);
        QCOMPARE(table.left(5), QByteArray("\x5B\x00\x00\xF0\x41", 5));
        const QList<float> entries = floatsOf(table, 5, 30);
        bool small = false;
        bool large = false;
        for (float value : entries) {
            QVERIFY(std::isfinite(value));
            small = small || (value != 0.0f && std::abs(value) < 0.001f);
            large = large || std::abs(value) > 1000.0f;
        }
        QVERIFY(small && large);

        // The write arrives in three pieces, as a slow line may deliver it.
        const QByteArray write = writeCommand(5, -3.25f);
        board.write(write.left(2));
        QTest::qSleep(30);
        board.write(write.mid(2, 3));
        QTest::qSleep(30);
        board.write(write.mid(5));
        board.write(writeCommand(30, 99.0f));
        const QByteArray after = board.ask("[", 125);
        QCOMPARE(after.size(), 125);
        QList<float> expected = entries;
        expected[5] = -3.25f;
        QCOMPARE(floatsOf(after, 5, 30), expected);
        QCOMPARE(board.readFor(50), QByteArray());
    }

    void constantsIndexUsesBothBytes()
    {
        START_BOARD(board, "--constants", "301");
        board.write(QByteArray("\x21\x01\x2C", 3) + QByteArray("\x00\x00\x60\x40", 4));
        const QByteArray table = board.ask("[", 5 + 4 * 301);
        QCOMPARE(table.size(), 5 + 4 * 301);
        QCOMPARE(floatAt(table, 1), 301.0f);
        QCOMPARE(floatAt(table, 5 + 4 * 300), 3.5f);
        QVERIFY(floatAt(table, 5 + 4 * 44) != 3.5f);
    }

    void constantsSaveAndRestore()
    {
        START_BOARD(board);
        board.write(writeCommand(1, 4.0f));
        board.write("3");
        board.write(writeCommand(1, 5.0f));
        QCOMPARE(floatAt(board.ask("[", 125), 5 + 4), 5.0f);
        board.write(">");
        QCOMPARE(floatAt(board.ask("[", 125), 5 + 4), 4.0f);
    }

    void constantsSplitStillDeliversWholeFrame()
    {
        START_BOARD(board, "--constants-split", "80");
        board.write("[");
        const QByteArray first = board.read(125, 40);
        QVERIFY2(!first.isEmpty() && first.size() < 125, QByteArray::number(first.size()));
        const QByteArray whole = first + board.read(125 - first.size(), 1000);
        QCOMPARE(whole.size(), 125);
        QCOMPARE(whole.left(5), QByteArray("\x5B\x00\x00\xF0\x41", 5));
        QCOMPARE(floatAt(whole, 5), 1.0f);
        QCOMPARE(floatAt(whole, 5 + 4 * 29), 115200.0f);
    }

    void frameFaults_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("noise") << QStringList{"--noise", "3"} << QByteArray("F") << 77
                               << QByteArray("\x78\x78\x78\x46\x12", 5);
        QTest::newRow("noise before text") << QStringList{"--noise", "2"} << QByteArray("R") << 18
                                           << QByteArray("xx*Alignment done#");
        QTest::newRow("bad first byte") << QStringList{"--bad-first-byte"} << QByteArray("F") << 75
                                        << QByteArray("\x78\x46\x12", 3);
        QTest::newRow("short frames")
            << QStringList{"--short-frames"} << QByteArray("F") << 42 << QByteArray("\x46\x0A", 2);
        QTest::newRow("silent") << QStringList{"--silent"} << QByteArray("FR[G+V") << 0
                                << QByteArray();
        QTest::newRow("no constants reply")
            << QStringList{"--no-constants-reply"} << QByteArray("[F") << 74 << FHeader;
    }

    void frameFaults()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, sent);
        QFETCH(int, size);
        QFETCH(QByteArray, head);
        BoardProcess board(arguments, BoardProcess::OpenPort | BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        const QByteArray answer = board.ask(sent, std::max(size, 1), 300);
        QCOMPARE(answer.size(), size);
        QCOMPARE(answer.left(head.size()), head);
        QCOMPARE(board.readFor(80), QByteArray());
    }

    void badFirstByteOnlyOnce()
    {
        START_BOARD(board, "--bad-first-byte");
        QCOMPARE(board.ask("F", 75).left(3), QByteArray("\x78\x46\x12", 3));
        const QByteArray second = board.ask("F", 74);
        QCOMPARE(second.size(), 74);
        QCOMPARE(second.left(2), FHeader);
    }

    void recordKeepsReceivedBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("received.bin");
        START_BOARD(board, "--record", path);
        const QByteArray sent = writeCommand(2, 1.5f) + QByteArray("\x00\xFFxyz", 5) + "F";
        board.write(sent);
        QCOMPARE(board.read(74).size(), 74);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), sent);
    }

    void baudTakesWireTime()
    {
        // 49 bytes in and 74 out at 4800 baud take 255 ms on a real line.
        START_BOARD(board, "--baud", "4800");
        QElapsedTimer clock;
        clock.start();
        const QByteArray frame = board.ask(QByteArray(48, 'x') + "F", 74);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(frame.size(), 74);
        QVERIFY2(elapsed >= 240, QByteArray::number(elapsed));
    }

    void lateFramesComeLateWithTheirBytes()
    {
        START_BOARD(board, "--late-frames", "150", "--late-frame-bytes", "2B45");
        QElapsedTimer clock;
        clock.start();
        board.write("F");
        board.write("F");
        const QByteArray early = board.readFor(100);
        QCOMPARE(early, QByteArray());
        const QByteArray frames = board.read(148, 2000);
        QVERIFY2(clock.elapsed() >= 145, QByteArray::number(clock.elapsed()));
        QCOMPARE(frames.size(), 148);
        QCOMPARE(frames.left(2), FHeader);
        // The last float starts with "+E".
        QCOMPARE(frames.mid(70, 2), QByteArray("+E"));
        QCOMPARE(frames.mid(144, 2), QByteArray("+E"));
        QCOMPARE(frames.mid(74, 2), FHeader);
    }

    // --tcp: the same board on a TCP port, one client at a time, as a serial device server.
    void servesOneTcpClientAtATime()
    {
        BoardProcess board({"--tcp", "0"}, BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        QVERIFY(board.networkPort().startsWith("socket://127.0.0.1:"));
        const quint16 port = board.networkPort().section(':', -1).toUShort();
        const auto frameOver = [](QTcpSocket& socket) {
            socket.write("F");
            QByteArray got;
            while (got.size() < 74 &&
                   (socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000)))
                got += socket.readAll();
            return got;
        };

        QTcpSocket first;
        first.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(first.waitForConnected(5000));
        const QByteArray frame = frameOver(first);
        QCOMPARE(frame.size(), 74);
        QCOMPARE(frame.left(2), FHeader);

        // A second client is turned away while the first is connected.
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(second.waitForConnected(5000));
        QVERIFY(second.state() == QAbstractSocket::UnconnectedState ||
                second.waitForDisconnected(5000));
        QCOMPARE(frameOver(first).size(), 74);

        // Once the first has gone, the next one is served.
        first.disconnectFromHost();
        QTcpSocket third;
        QByteArray answer;
        for (int attempt = 0; attempt < 50 && answer.size() < 74; ++attempt) {
            third.abort();
            third.connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(third.waitForConnected(5000));
            answer = frameOver(third);
        }
        QCOMPARE(answer.left(2), FHeader);
    }

    void helpAndBadOptions()
    {
        QProcess help;
        help.start(BoardProcess::program(), {"--help"});
        QVERIFY(help.waitForFinished(5000));
        QCOMPARE(help.exitCode(), 0);
        const QByteArray text = help.readAllStandardOutput();
        for (const char* option : {"--link",
                                   "--frame",
                                   "--stream-ms",
                                   "--step-seconds",
                                   "--constants",
                                   "--boot-version",
                                   "--flash-out",
                                   "--record",
                                   "--fixed",
                                   "--noise",
                                   "--short-frames",
                                   "--bad-first-byte",
                                   "--silent",
                                   "--drop-after",
                                   "--constants-split",
                                   "--no-constants-reply",
                                   "--boot-fail-every",
                                   "--boot-checksum-error",
                                   "--boot-noise",
                                   "--late-frames",
                                   "--late-frame-bytes",
                                   "--boot-silent-after",
                                   "--boot-drop-after",
                                   "--baud"})
            QVERIFY2(text.contains(option), option);

        QProcess bad;
        bad.start(BoardProcess::program(), {"--frame", "X"});
        QVERIFY(bad.waitForFinished(5000));
        QCOMPARE(bad.exitCode(), 2);
        QCOMPARE(bad.readAllStandardOutput(), QByteArray());
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardApplication)
#include "tst_BoardApplication.moc"
