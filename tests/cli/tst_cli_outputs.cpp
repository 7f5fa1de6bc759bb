// skyvane-cli's data out against the virtual board: stream (UDP JSON to a real socket), the raw
// mirror read through its link, several boards at once with one dropped.

#include "CliRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Runs the tool in the background while the test reads what it sends.
struct Running
{
    QProcess process;
    explicit Running(const QStringList& args) { process.start(CliProgram(), args); }
    CliResult finish(int timeoutMs = 20000) { return FinishCli(process, timeoutMs); }
};

QList<QByteArray> dataRows(const QByteArray& file)
{
    QList<QByteArray> rows;
    for (const QByteArray& line : file.split('\n'))
        if (!line.isEmpty() && !line.startsWith('#') && !line.startsWith("time,"))
            rows.append(line);
    return rows;
}

float floatAt(const QByteArray& bytes, qsizetype at)
{
    float f = 0;
    std::memcpy(&f, bytes.constData() + at, 4);
    return f;
}

// The link opened as another program opens a serial port.
int openLink(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

QByteArray readFor(int fd, qsizetype count, int timeoutMs)
{
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (out.size() < count && clock.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, n);
    }
    return out;
}

QByteArray lineStarting(const QList<QByteArray>& lines, const QByteArray& start)
{
    for (const QByteArray& line : lines)
        if (line.startsWith(start))
            return line;
    return {};
}

} // namespace

class CliOutputsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(CliProgram()) || !QFile::exists(BoardProcess::program()))
            QFAIL("skyvane-cli or board-sim is not built");
    }

    // Every frame as one datagram Qt's JSON reader takes: the F names, the host time, under
    // 2048 bytes; no "port" with one board; frames and datagrams per second on stderr.
    void streamSendsOneDatagramPerFrame()
    {
        Board board;
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        const QString udp = QStringLiteral("127.0.0.1:%1").arg(receiver.localPort());
        const double started = double(QDateTime::currentMSecsSinceEpoch()) / 1000;
        Running cli(
            {"stream", "--port", board.port(), "--rate", "20ms", "--seconds", "2.2", "--udp", udp});
        QList<QByteArray> datagrams;
        while (!cli.process.waitForFinished(1)) {
            if (receiver.waitForReadyRead(100))
                while (receiver.hasPendingDatagrams())
                    datagrams.append(receiver.receiveDatagram().data());
        }
        while (receiver.hasPendingDatagrams())
            datagrams.append(receiver.receiveDatagram().data());
        const CliResult run = cli.finish();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(datagrams.size() >= 60, QByteArray::number(datagrams.size()).constData());
        const QStringList names = {"phi", "theta", "psi", "f4",  "f5", "f6", "f7", "f8",   "f9",
                                   "f10", "f11",   "f12", "f13", "hx", "hy", "hz", "code", "f18"};
        double previous = 0;
        for (const QByteArray& d : datagrams) {
            QVERIFY(d.size() < 2048);
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(d, &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, d.constData());
            QCOMPARE(o.value("kind").toString(), QStringLiteral("F"));
            QVERIFY(!o.contains("port"));
            for (const QString& name : names)
                QVERIFY2(o.value(name).isDouble(), qPrintable(name + ": " + d));
            const double t = o.value("timestamp").toDouble();
            QVERIFY(t >= started - 1 && t <= started + 10);
            QVERIFY(t >= previous);
            previous = t;
        }
        const QList<QByteArray> err = run.errLines();
        QCOMPARE(err.first(), "Forwarding live data to " + udp.toUtf8() + " (UDP JSON).");
        QCOMPARE(err.last(), "Forwarding to " + udp.toUtf8() + " stopped: " +
                                 QByteArray::number(datagrams.size()) + " datagrams sent.");
        QVERIFY2(err.size() == 4 && err[1].contains(" frames/s, ") &&
                     err[1].endsWith(" datagrams/s"),
                 run.err.constData());
    }

    // The mirror's reader gets the board's bytes from the first frame on, in order, while the
    // recording goes on; what it writes into the mirror never reaches the board.
    void mirrorWhileRecording()
    {
        Board board;
        const QString link = board.file(QStringLiteral("mirror"));
        const QString out = board.file(QStringLiteral("rec.csv"));
        Running cli({"record", "--port", board.port(), "--rate", "20ms", "--seconds", "2", "--out",
                     out, "--mirror", link});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);
        const int fd = openLink(link);
        QVERIFY(fd >= 0);
        // "G" (reset into the bootloader) and "[": the board must see neither.
        QCOMPARE(::write(fd, "G[G[", 4), 4);
        QByteArray mirrored = readFor(fd, 74 * 40, 5000);
        // Read on to the end, so that nothing needs to be dropped.
        while (!cli.process.waitForFinished(1))
            mirrored += readFor(fd, 1 << 20, 50);
        const CliResult run = cli.finish();
        ::close(fd);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(mirrored.size() >= 74 * 40, QByteArray::number(mirrored.size()).constData());
        const QList<QByteArray> rows = dataRows(readFile(out));
        QVERIFY(rows.size() >= 40);
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(mirrored.at(74 * i), 'F');
            QCOMPARE(mirrored.at(74 * i + 1), char(18));
            // The frame's first float is the row's first value.
            const float phi = floatAt(mirrored, 74 * i + 2);
            QCOMPARE(rows[i].split(',').at(2).toFloat(), phi);
        }
        const QByteArray received = readFile(board.received());
        QCOMPARE(received, QByteArray(received.size(), 'F'));
        QVERIFY(!QFileInfo(link).isSymLink() && !QFileInfo::exists(link));
        const QByteArray closing =
            lineStarting(run.errLines(), "Mirror " + link.toUtf8() + " closed: ");
        QVERIFY2(closing.endsWith(" bytes mirrored, 0 dropped."), run.err.constData());
    }

    // A reader that opens the mirror and never reads: the recording is whole, the mirror
    // keeps at most its backlog and counts the rest as dropped.
    void aReaderThatNeverReads()
    {
        Board board;
        const QString link = board.file(QStringLiteral("mirror"));
        const QString out = board.file(QStringLiteral("rec.csv"));
        Running cli({"record", "--port", board.port(), "--rate", "5ms", "--seconds", "2.5", "--out",
                     out, "--mirror", link});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);
        const int fd = openLink(link);
        QVERIFY(fd >= 0);
        const CliResult run = cli.finish();
        ::close(fd);
        QCOMPARE(run.exitCode, 0);
        const qsizetype frames = dataRows(readFile(out)).size();
        QVERIFY2(frames >= 150, QByteArray::number(frames).constData());
        const QByteArray closing =
            lineStarting(run.errLines(), "Mirror " + link.toUtf8() + " closed: ");
        const QList<QByteArray> words = closing.split(' ');
        QVERIFY2(words.size() == 8, closing.constData());
        const qint64 mirrored = words[3].toLongLong();
        const qint64 dropped = words[6].toLongLong();
        QVERIFY2(mirrored <= 4000 && mirrored + dropped == 74 * frames, closing.constData());
        QVERIFY(dropped > 0);
    }

    // Two boards into one folder, the second dropping its link after 10 frames: its file is
    // whole and ends there, the first goes on, the exit code tells the loss.
    void twoBoardsOneDropped()
    {
        Board first;
        Board second({"--drop-after", "10"});
        const QString folder = first.file(QStringLiteral("flight"));
        const CliResult run = RunCli({"record", "--port", first.port(), "--port", second.port(),
                                      "--rate", "33ms", "--seconds", "2", "--out", folder});
        QCOMPARE(run.exitCode, 3);
        const QString firstFile = folder + "/" + QFileInfo(first.port()).fileName() + ".csv";
        const QString secondFile = folder + "/" + QFileInfo(second.port()).fileName() + ".csv";
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
        const QByteArray a = readFile(firstFile);
        QVERIFY(a.contains(", port " + first.port().toUtf8() + ", "));
        QVERIFY2(dataRows(a).size() >= 40, QByteArray::number(dataRows(a).size()).constData());
        QCOMPARE(dataRows(readFile(secondFile)).size(), 10);

        const QList<QByteArray> err = run.errLines();
        const QByteArray p1 = first.port().toUtf8() + ": ";
        const QByteArray p2 = second.port().toUtf8() + ": ";
        QCOMPARE(err[0], p1 + "Recording to " + firstFile.toUtf8());
        QCOMPARE(err[1], p2 + "Recording to " + secondFile.toUtf8());
        const qsizetype stopped = err.indexOf(
            p2 + "Recording stopped: 10 frames, " +
            lineStarting(err, p2 + "Recording stopped: 10 frames, ").mid(p2.size() + 30));
        QVERIFY2(stopped > 0, run.err.constData());
        QVERIFY2(err.at(stopped + 1).startsWith("skyvane-cli: Link to " + second.port().toUtf8()),
                 run.err.constData());
        QVERIFY2(err.last().startsWith(p1 + "Recording stopped: "), run.err.constData());
    }

    // Two boards that cannot both run: a port that does not open leaves no recording of the
    // other behind; a file that cannot be made stops the recording already started, with its
    // line, before the ports close.
    void twoBoardsThatCannotBothRun()
    {
        Board first;
        Board second;
        const QString folder = first.file(QStringLiteral("flight"));
        const CliResult missing = RunCli({"record", "--port", first.port(), "--port",
                                          "/dev/skyvane-none", "--seconds", "1", "--out", folder});
        QCOMPARE(missing.exitCode, 3);
        QVERIFY2(missing.err.startsWith("skyvane-cli: cannot open port /dev/skyvane-none: "),
                 missing.err.constData());
        QCOMPARE(missing.errLines().size(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        // The first port failing: its one line, no file, nothing sent to the second board.
        const CliResult firstMissing = RunCli({"record", "--port", "/dev/skyvane-none", "--port",
                                               second.port(), "--seconds", "1", "--out", folder});
        QCOMPARE(firstMissing.exitCode, 3);
        QCOMPARE(firstMissing.err, missing.err);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        QTest::qWait(100);
        QCOMPARE(readFile(second.received()), QByteArray());

        const QString firstFile = folder + "/" + QFileInfo(first.port()).fileName() + ".csv";
        const QString secondFile = folder + "/" + QFileInfo(second.port()).fileName() + ".csv";
        QVERIFY(QDir().mkpath(secondFile));
        const CliResult blocked = RunCli({"record", "--port", first.port(), "--port", second.port(),
                                          "--seconds", "1", "--out", folder});
        QCOMPARE(blocked.exitCode, 2);
        const QList<QByteArray> err = blocked.errLines();
        const QByteArray p1 = first.port().toUtf8() + ": ";
        const QByteArray p2 = second.port().toUtf8() + ": ";
        QCOMPARE(err.size(), 3);
        QCOMPARE(err[0], p1 + "Recording to " + firstFile.toUtf8());
        QVERIFY2(err[1].startsWith(p2 + "Recording stopped: cannot write " + secondFile.toUtf8()),
                 blocked.err.constData());
        QCOMPARE(err[2], p1 + "Recording stopped: 0 frames, 0.0 s in " + firstFile.toUtf8());
        QVERIFY(readFile(firstFile).startsWith("# Skyvane recording"));
    }

    // Several boards: every datagram says which; bad addresses and mirror counts are refused.
    void streamOfTwoBoardsAndBadUsage()
    {
        Board first;
        Board second;
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        Running cli({"stream", "--port", first.port(), "--port", second.port(), "--seconds", "1",
                     "--udp", QStringLiteral("127.0.0.1:%1").arg(receiver.localPort())});
        QSet<QString> ports;
        const auto take = [&] {
            while (receiver.hasPendingDatagrams())
                ports << QJsonDocument::fromJson(receiver.receiveDatagram().data())
                             .object()
                             .value("port")
                             .toString();
        };
        while (!cli.process.waitForFinished(1)) {
            if (receiver.waitForReadyRead(100))
                take();
        }
        take();
        QCOMPARE(cli.finish().exitCode, 0);
        QCOMPARE(ports, (QSet<QString>{first.port(), second.port()}));

        const CliResult udp = RunCli({"stream", "--port", first.port(), "--udp", "localhost"});
        QCOMPARE(udp.exitCode, 2);
        QCOMPARE(udp.err, QByteArray("skyvane-cli: --udp: \"localhost\" is not HOST:PORT (a port "
                                     "from 1 to 65535)\n"));
        const CliResult mirrors = RunCli({"record", "--port", first.port(), "--port", second.port(),
                                          "--mirror", first.file("m")});
        QCOMPARE(mirrors.exitCode, 2);
        QCOMPARE(mirrors.err, QByteArray("skyvane-cli: --mirror is needed once per --port (2 "
                                         "ports, 1 mirrors)\n"));
    }

    // A destination whose name does not resolve, and a mirror link where a plain file is:
    // refused after the port opened, before anything is asked of the board or recorded.
    void outputsThatCannotStart()
    {
        Board board;
        const CliResult udp =
            RunCli({"stream", "--port", board.port(), "--udp", "no-such-host.invalid:9870"});
        QCOMPARE(udp.exitCode, 2);
        QCOMPARE(udp.errLines().size(), 1);
        QVERIFY2(udp.err.startsWith("Forwarding refused: cannot find the host "
                                    "no-such-host.invalid: "),
                 udp.err.constData());

        const QString plain = board.file(QStringLiteral("plain"));
        QVERIFY(writeFile(plain, "keep"));
        const QString out = board.file(QStringLiteral("rec.csv"));
        const CliResult mirror =
            RunCli({"record", "--port", board.port(), "--out", out, "--mirror", plain});
        QCOMPARE(mirror.exitCode, 2);
        QCOMPARE(mirror.err,
                 ("Mirror refused: " + plain + " exists and is not a symbolic link\n").toUtf8());
        QCOMPARE(readFile(plain), QByteArray("keep"));
        QVERIFY(!QFileInfo::exists(out));
        QTest::qWait(100);
        QCOMPARE(readFile(board.received()), QByteArray());
    }

    // A lost board closes its mirror (the link goes) before its recording ends and its line.
    void mirrorOfALostBoard()
    {
        Board board({"--drop-after", "10"});
        const QString link = board.file(QStringLiteral("mirror"));
        const QString out = board.file(QStringLiteral("rec.csv"));
        const CliResult run = RunCli(
            {"record", "--port", board.port(), "--seconds", "10", "--out", out, "--mirror", link});
        QCOMPARE(run.exitCode, 3);
        const QList<QByteArray> err = run.errLines();
        QVERIFY2(err.size() >= 4, run.err.constData());
        QCOMPARE(err[err.size() - 3],
                 "Mirror " + link.toUtf8() + " closed: 740 bytes mirrored, 0 dropped.");
        QVERIFY(err[err.size() - 2].startsWith("Recording stopped: 10 frames, "));
        QVERIFY(err.last().startsWith("skyvane-cli: Link to " + board.port().toUtf8()));
        QVERIFY(!QFileInfo(link).isSymLink() && !QFileInfo::exists(link));
        QCOMPARE(dataRows(readFile(out)).size(), 10);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliOutputsTest)
#include "tst_cli_outputs.moc"
