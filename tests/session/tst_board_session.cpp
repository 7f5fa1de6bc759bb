#include "session/BoardSession.h"
#include "session/WireFrame.h"

#include "core/WindowTimer.h"
#include "protocol/Floats.h"
#include "support/Bytes.h"
#include "support/FakeSerialControl.h"
#include "support/Files.h"
#include "support/HexLines.h"
#include "support/MemoryLogger.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace {

// A board in memory: what is written is kept, and the bootloader commands are answered on the
// next turn of the event loop as a healthy bootloader answers them.
class AnsweringPort : public FakeSerialControl
{
public:
    bool Output(const QByteArray& bytes) override
    {
        if (!FakeSerialControl::Output(bytes))
            return false;
        QByteArray reply;
        if (bytes == "+V")
            reply = QByteArray("+V\x13", 3);
        else if (bytes == "+E" || bytes == "+R")
            reply = bytes;
        else if (bytes.startsWith("+P") && bytes.size() == 197)
            reply = bytes.left(5);
        if (!reply.isEmpty())
            QTimer::singleShot(0, this, [this, reply] { feed(reply); });
        return true;
    }
};

struct Rig
{
    Rig()
    {
        BoardSession::Parts parts(log);
        parts.firmwarePath = [this] { return firmware; };
        parts.port = &port;
        parts.request = &timer12;
        parts.traceTo = trace;
        session = std::make_unique<BoardSession>(parts);
        session->stream().subscribe([this](const Measurement& m) {
            measurements.append(m);
            if (throwNext) {
                const int kind = throwNext;
                throwNext = 0;
                if (kind == 1)
                    throw std::runtime_error("drawing failed");
                throw 7;
            }
        });
        QObject::connect(&session->dispatch(), &FrameDispatch::deviceMessage,
                         [this](const QString& text) { messages.append(text); });
    }
    ~Rig()
    {
        session.reset();
        std::fclose(trace);
    }

    // A one-row firmware file in the folder, chosen for the next download.
    bool writeFirmware(const QTemporaryDir& dir)
    {
        firmware = dir.filePath("fw.kfw");
        return writeFile(firmware, HexData(0x0000, QByteArray(64, '\x42')) + HexEnd());
    }

    QByteArray traced() const
    {
        std::fflush(trace);
        std::rewind(trace);
        QByteArray text;
        char chunk[256];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, trace)) > 0;)
            text.append(chunk, qsizetype(n));
        return text;
    }
    bool open()
    {
        return session->OpenPort(QStringLiteral("/dev/pts/77"), QStringLiteral("115200"));
    }
    WindowTimer& timer2() { return session->receiveSwitch(); }

    MemoryLogger log;
    AnsweringPort port;
    WindowTimer timer12{QStringLiteral("Timer12"), 33, true};
    std::FILE* trace = std::tmpfile();
    QString firmware;
    std::unique_ptr<BoardSession> session;
    QList<Measurement> measurements;
    QStringList messages;
    // 1: the next listener call throws a std::runtime_error, 2: an int.
    int throwNext = 0;
};

QByteArray fFrame(float phi)
{
    std::vector<float> values(18, 0.0f);
    values[0] = phi;
    return countedFrame('F', values);
}

} // namespace

class TestBoardSession : public QObject
{
    Q_OBJECT
private slots:
    // Live: the receive switch (Timer2) follows the port and never ticks; arrivals are cut at
    // once, every complete frame in order; a closed port is not read.
    void liveArrivalsAreCutWhileThePortIsOpen()
    {
        Rig r;
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        QVERIFY(!r.timer2().Enabled());
        r.port.feed(QByteArray("*A#", 3));
        QVERIFY(r.open());
        QCOMPARE(r.log.lines, QStringList{"Port /dev/pts/77 opened."});
        QVERIFY(r.timer2().Enabled());
        QCOMPARE(r.timer2().Interval(), 1);
        QVERIFY(!r.timer2().isTicking());
        // What waited in the port is taken right after the start.
        QTRY_COMPARE(r.messages, QStringList{"A"});

        r.port.feed(hex("2A 42 23 46 01 00 00 80 3F 2A 43"));
        QCOMPARE(r.messages, (QStringList{"A", "B"}));
        QCOMPARE(r.measurements.size(), 1);
        QCOMPARE(r.measurements[0].kind, 'F');
        QCOMPARE(r.measurements[0].values, QList<float>{1.0f});
        QCOMPARE(r.session->decoder().Phi(), 1.0f);
        r.port.feed(QByteArray("#", 1));
        QCOMPARE(r.messages.last(), QString("C"));

        r.session->ClosePort();
        QVERIFY(!r.timer2().Enabled());
        QCOMPARE(r.log.lines.last(), QString("COM Port closed."));
        r.session->receiver().ReceiveFrames(hex("46"));
        r.port.feed(hex("00 52 00"));
        r.session->receiveAll();
        QCOMPARE(r.session->receiver().RxBuffer().bytes(), hex("46"));
        QCOMPARE(r.measurements.size(), 1);
    }

    // A failing listener (a drawing) is silent to the operator: the frames behind it are still
    // decoded, and standard error gets one line per kind of failure.
    void failuresLeaveOneTracePerKind()
    {
        Rig r;
        QVERIFY(r.open());
        r.throwNext = 1;
        r.port.feed(fFrame(0.25f) + fFrame(0.5f));
        QCOMPARE(r.measurements.size(), 2);
        QCOMPARE(r.session->decoder().Phi(), 0.5f);
        QCOMPARE(r.traced(),
                 QByteArray("skyvane: receive path: std::runtime_error: drawing failed (shown "
                            "once)\n"));

        r.throwNext = 1;
        r.port.feed(fFrame(0.75f));
        r.throwNext = 2;
        r.port.feed(fFrame(1.0f) + QByteArray("*next#", 6));
        QCOMPARE(r.session->decoder().Phi(), 1.0f);
        QCOMPARE(r.messages, QStringList{"next"});
        QCOMPARE(r.traced(),
                 QByteArray("skyvane: receive path: std::runtime_error: drawing failed (shown "
                            "once)\nskyvane: receive path: unknown exception (shown once)\n"));
        QCOMPARE(r.session->faults().written(), 2);
        QCOMPARE(r.log.lines, QStringList{"Port /dev/pts/77 opened."});
        QVERIFY(r.session->receiver().RxBuffer().isEmpty());
    }

    // Replay: the recorded frames take the live frames' road; the port is not read and the
    // board not polled; leaving drops what the board sent meanwhile.
    void replayPlaysThroughTheReceiver()
    {
        Rig r;
        QSignalSpy modes(r.session.get(), &BoardSession::modeChanged);
        QSignalSpy seen(&r.session->dispatch(), &FrameDispatch::frameSeen);
        QVERIFY(r.open());
        // Half a live frame when the replay starts: it must not swallow the recorded ones.
        r.port.feed(hex("46 12 00 00"));
        r.session->beginReplay();
        QCOMPARE(r.session->mode(), BoardSession::Mode::Replay);
        QCOMPARE(modes.size(), 1);
        QVERIFY(!r.timer2().Enabled());
        QVERIFY(!r.timer12.Enabled());
        QVERIFY(r.session->receiver().RxBuffer().isEmpty());

        r.port.feed(fFrame(2.0f));
        r.session->playRecorded('F', floatsBytes({0.75f, 0.5f, 0.25f}));
        r.session->playRecorded('C', floatsBytes({7, 7, 7, 7, 7, 7, 7, 12.345f}));
        r.session->playRecorded('X', floatsBytes({1.0f}));
        QCOMPARE(r.measurements.size(), 2);
        QCOMPARE(r.measurements[0].values, (QList<float>{0.75f, 0.5f, 0.25f}));
        QCOMPARE(r.session->decoder().Phi(), 0.75f);
        QCOMPARE(r.measurements[1].kind, 'C');
        QCOMPARE(r.measurements[1].at(8), 12.345f);
        QCOMPARE(seen.size(), 2);
        QVERIFY(r.port.written.isEmpty());

        r.session->endReplay();
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        QCOMPARE(modes.size(), 2);
        QVERIFY(r.timer2().Enabled());
        QVERIFY(r.timer12.Enabled());
        // The receiver's first read after the replay (a queued call) finds the port emptied.
        QSignalSpy received(r.session.get(), &BoardSession::received);
        QCoreApplication::processEvents();
        QCOMPARE(received.size(), 0);
        QCOMPARE(r.measurements.size(), 2);
        QCOMPARE(r.session->decoder().Phi(), 0.75f);
        r.session->playRecorded('F', floatsBytes({3.0f}));
        QCOMPARE(r.measurements.size(), 2);
        r.port.feed(fFrame(1.5f));
        QCOMPARE(r.session->decoder().Phi(), 1.5f);
    }

    // The port changes in the middle of a replay: opened, the receiver waits for the end of the
    // replay; closed, the receiver and the request stay off after it.
    void portChangesDuringAReplay()
    {
        Rig r;
        r.session->beginReplay();
        QVERIFY(r.open());
        QVERIFY(!r.timer2().Enabled());
        r.port.feed(fFrame(2.0f));
        QVERIFY(r.measurements.isEmpty());
        r.session->endReplay();
        QVERIFY(r.timer2().Enabled());

        r.session->beginReplay();
        r.session->ClosePort();
        r.session->endReplay();
        QVERIFY(!r.timer2().Enabled());
        QVERIFY(!r.timer12.Enabled());
        QVERIFY(!r.session->polling());
    }

    // Download: the bootloader wait owns the port; "Connection", a restarted request and a
    // replay opened meanwhile start nothing until the download hands the port back.
    void downloadHoldsTheReceiverAndTheRequestOff()
    {
        Rig r;
        QTemporaryDir dir;
        QVERIFY(r.writeFirmware(dir));
        QVERIFY(r.open());
        QList<BoardSession::Mode> modes;
        connect(r.session.get(), &BoardSession::modeChanged,
                [&](BoardSession::Mode m) { modes.append(m); });
        bool onDuringDownload = true;
        QTimer::singleShot(200, [&] {
            r.open();
            r.timer12.restart();
            r.session->setPolling(true);
            onDuringDownload = r.timer2().Enabled() || r.timer12.Enabled();
        });
        QCOMPARE(r.session->runDownload().outcome, DownloadResult::Programmed);
        QVERIFY(!onDuringDownload);
        QCOMPARE(modes, (QList<BoardSession::Mode>{BoardSession::Mode::Download,
                                                   BoardSession::Mode::Live}));
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        QVERIFY(r.timer2().Enabled());
        QVERIFY(r.timer12.Enabled());
        QVERIFY(r.measurements.isEmpty());

        // A replay opened during the next download starts when the download ends.
        r.log.lines.clear();
        QTimer::singleShot(200, [&] { r.session->beginReplay(); });
        r.session->runDownload();
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
        QCOMPARE(modes.mid(2), (QList<BoardSession::Mode>{BoardSession::Mode::Download,
                                                          BoardSession::Mode::Replay}));
        QVERIFY(!r.timer2().Enabled());
        QVERIFY(!r.timer12.Enabled());
        r.session->endReplay();
        QVERIFY(r.timer2().Enabled());
        QVERIFY(r.timer12.Enabled());

        // A replay that ends during a download leaves the port to it until it hands it back.
        r.session->beginReplay();
        BoardSession::Mode during = BoardSession::Mode::Replay;
        QTimer::singleShot(200, [&] {
            r.session->endReplay();
            during = r.session->mode();
        });
        r.session->runDownload();
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
        QCOMPARE(during, BoardSession::Mode::Download);
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        QVERIFY(r.timer2().Enabled());
        QVERIFY(r.timer12.Enabled());
    }

    // "Disconnection" during a download: it ends as abandoned, and the session returns to what
    // the closed port allows: neither the receiver nor the request runs until the port opens.
    void downloadEndsAsThePortAllows()
    {
        Rig r;
        QTemporaryDir dir;
        QVERIFY(r.writeFirmware(dir));
        QVERIFY(r.open());
        QTimer::singleShot(700, [&] {
            r.session->abandonDownload();
            r.session->ClosePort();
        });
        const DownloadResult result = r.session->runDownload();
        QCOMPARE(result.outcome, DownloadResult::Abandoned);
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        QVERIFY(!r.session->receiving());
        QVERIFY(!r.session->polling());
        QVERIFY(!r.timer2().Enabled());
        QVERIFY(!r.timer12.Enabled());
        // Someone else's switch does not stick: the session shows its own state.
        r.timer12.setEnabled(true);
        QVERIFY(!r.timer12.Enabled());
        QVERIFY(r.open());
        QVERIFY(r.timer2().Enabled());
        QVERIFY(r.timer12.Enabled());

        // A port that no step can open: the download tells so.
        r.session->ClosePort();
        r.port.refuseOpen = true;
        const DownloadResult refused = r.session->runDownload();
        QCOMPARE(refused.outcome, DownloadResult::NoPort);
        QCOMPARE(refused.step, DownloadResult::Erase);
        QVERIFY(r.log.lines.contains(QStringLiteral("Connection refused.")));
        QVERIFY(!r.timer2().Enabled());
    }

    // The receiver's bytes are emptied in one place for every change: the port opened or
    // closed, a replay begun or ended, a download begun or ended, the stream toggled.
    void receivedBytesEmptiedOnEveryChange()
    {
        Rig r;
        QTemporaryDir dir;
        QVERIFY(r.writeFirmware(dir));
        const QByteArray half = hex("46 12 00 00");
        const auto held = [&r] { return r.session->receiver().RxBuffer().size(); };
        QVERIFY(r.open());
        r.port.feed(half);
        QCOMPARE(held(), 4);
        QVERIFY(r.open());
        QCOMPARE(held(), 0);
        r.port.feed(half);
        r.session->ClosePort();
        QCOMPARE(held(), 0);
        QVERIFY(r.open());
        r.port.feed(half);
        r.session->beginReplay();
        QCOMPARE(held(), 0);
        r.session->playRecorded('F', half.mid(2));
        r.session->receiver().ReceiveFrames(half);
        r.session->endReplay();
        QCOMPARE(held(), 0);
        r.port.feed(half);
        qsizetype heldInDownload = -1;
        QTimer::singleShot(100, [&] { heldInDownload = held(); });
        QCOMPARE(r.session->runDownload().outcome, DownloadResult::Programmed);
        QCOMPARE(heldInDownload, 0);
        QCOMPARE(held(), 0);
        r.port.feed(half);
        r.session->commands().StartStopTrame();
        QCOMPARE(held(), 0);
        QVERIFY(r.port.written.contains('C'));
    }

    // Every byte read from the port reaches the session's received tap (a raw mirror), whoever
    // read it: the receiver, the drop at the end of a replay, the bootloader's wait.
    void everyByteReadReachesTheTap()
    {
        Rig r;
        QTemporaryDir dir;
        QVERIFY(r.writeFirmware(dir));
        QByteArray tapped;
        connect(r.session.get(), &BoardSession::received,
                [&](const QByteArray& bytes) { tapped += bytes; });
        QVERIFY(r.open());
        r.port.feed(hex("2A 41 23"));
        QCOMPARE(tapped, hex("2A 41 23"));
        r.session->beginReplay();
        r.port.feed(hex("2A 42 23"));
        QCOMPARE(tapped, hex("2A 41 23"));
        r.session->endReplay();
        QCOMPARE(tapped, hex("2A 41 23 2A 42 23"));
        QCOMPARE(r.messages, QStringList{"A"});

        tapped.clear();
        r.session->runDownload();
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
        // The version, the erase, both rows' acknowledgements and the run, in order.
        QCOMPARE(tapped, QByteArray("+V\x13+E+P\x00\x00\x00+P\x00\x00\x80+R", 17));
    }

    // A refused port leaves the receiver off; a lost link stops it and is told once; repeated
    // calls change nothing.
    void refusedAndLostPortsStopTheReceiver()
    {
        Rig r;
        // Nothing reads a closed port, even when asked.
        r.port.feed(fFrame(1.0f));
        r.session->receiveAll();
        QVERIFY(r.measurements.isEmpty());
        QVERIFY(r.session->receiver().RxBuffer().isEmpty());
        r.session->discardReceived();
        r.port.Input();
        r.port.refuseOpen = true;
        QVERIFY(!r.open());
        QVERIFY(!r.timer2().Enabled());
        QCOMPARE(r.log.lines, QStringList{"Invalid port number"});
        r.port.refuseOpen = false;
        QVERIFY(r.open());
        QVERIFY(r.timer2().Enabled());

        QSignalSpy lost(r.session.get(), &BoardSession::lost);
        r.port.drop();
        emit r.port.linkLost(QStringLiteral("/dev/pts/77"), QStringLiteral("the device is gone"));
        QCOMPARE(lost.size(), 1);
        QVERIFY(r.session->linkLost());
        QVERIFY(!r.timer2().Enabled());
        QCOMPARE(
            r.log.lines.last(),
            QString("Link to /dev/pts/77 (/dev/pts/77) lost: the device is gone. Port closed."));
        QCOMPARE(r.session->link().lastLoss(), r.log.lines.last());
        r.session->ClosePort();
        QCOMPARE(r.log.lines.last(), QString("COM Port closed."));
        QVERIFY(!r.timer2().Enabled());
        QVERIFY(r.open());
        QVERIFY(!r.session->linkLost());
        QVERIFY(r.timer2().Enabled());

        QSignalSpy modes(r.session.get(), &BoardSession::modeChanged);
        r.session->endReplay();
        r.session->beginReplay();
        r.session->beginReplay();
        QCOMPARE(modes.size(), 1);
        r.session->endReplay();
        r.session->endReplay();
        QCOMPARE(modes.size(), 2);
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
    }

    // A session with timers of its own: both start off, the request only once polling is
    // turned on, and it asks for frames only while "Data communication" says so. Without a
    // trace a failing listener still leaves the frames behind it decoded.
    void ownTimersAndDataCommunication()
    {
        MemoryLogger log;
        FakeSerialControl port;
        bool asking = false;
        BoardSession::Parts parts(log);
        parts.port = &port;
        parts.dataCommunication = [&] { return asking; };
        parts.traceTo = nullptr;
        BoardSession session(parts);
        QCOMPARE(session.receiveSwitch().Interval(), 1);
        QCOMPARE(session.request().Interval(), 33);
        QVERIFY(!session.request().Enabled());
        QVERIFY(session.OpenPort(QStringLiteral("COM3"), QStringLiteral("9600")));
        QVERIFY(session.receiveSwitch().Enabled());
        QVERIFY(!session.request().Enabled());
        session.request().setInterval(5);
        session.setPolling(true);
        QVERIFY(session.request().Enabled());
        QTest::qWait(60);
        QVERIFY(port.written.isEmpty());
        asking = true;
        QTRY_VERIFY(port.written.startsWith("F"));

        int seen = 0;
        session.stream().subscribe([&](const Measurement&) {
            if (++seen == 1)
                throw std::runtime_error("drawing failed");
        });
        port.feed(fFrame(0.25f) + fFrame(0.5f));
        QCOMPARE(seen, 2);
        QCOMPARE(session.decoder().Phi(), 0.5f);
        QCOMPARE(session.faults().written(), 0);
    }

    // A recorded frame as the board sends it: the count byte and whole floats (at most 255),
    // or "C" and exactly 32 bytes.
    void wireFrames()
    {
        QCOMPARE(WireFrame('G', hex("01 02 03 04 05 06 07 08 09")),
                 hex("47 02 01 02 03 04 05 06 07 08"));
        QCOMPARE(WireFrame('R', hex("00 00 80 3F")), hex("52 01 00 00 80 3F"));
        QCOMPARE(WireFrame('F', QByteArray()), hex("46 00"));
        const QByteArray many(4 * 256 + 3, '\x11');
        const QByteArray f = WireFrame('F', many);
        QCOMPARE(f.size(), 2 + 4 * 255);
        QCOMPARE(f.left(2), hex("46 FF"));
        QCOMPARE(WireFrame('C', hex("01 02 03 04")), hex("43 01 02 03 04") + QByteArray(28, '\0'));
        QCOMPARE(WireFrame('C', QByteArray(40, '\x22')), 'C' + QByteArray(32, '\x22'));
        QCOMPARE(WireFrame('[', hex("00 00 80 3F")), QByteArray());
        QCOMPARE(WireFrame('*', QByteArray("hello")), QByteArray());
    }

    // The data request: "F" on each tick of Timer12 while the port is open and polling is on.
    void dataRequestFollowsPolling()
    {
        Rig r;
        r.timer12.setInterval(5);
        QTest::qWait(30);
        QVERIFY(r.port.written.isEmpty());
        QVERIFY(r.open());
        QTRY_VERIFY(r.port.written.startsWith("FF"));
        r.session->setPolling(false);
        QVERIFY(!r.timer12.Enabled());
        const QByteArray sent = r.port.written;
        QTest::qWait(30);
        QCOMPARE(r.port.written, sent);
        QCOMPARE(QString(sent), QString(sent.size(), QLatin1Char('F')));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardSession)
#include "tst_board_session.moc"
