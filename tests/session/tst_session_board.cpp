#include "session/BoardSession.h"

#include "core/WindowTimer.h"
#include "support/BoardProcess.h"
#include "support/Bytes.h"
#include "support/Files.h"
#include "support/HexLines.h"
#include "support/MemoryLogger.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr float Roll = 0.17453292f;

// The session as the window makes it (the real serial port, a polling Timer12) on the virtual
// board, whose attitude is frozen at roll 10 degrees and which records every byte it receives.
struct BoardRig
{
    BoardRig()
    {
        BoardSession::Parts parts(log);
        parts.firmwarePath = [this] { return firmware; };
        parts.request = &timer12;
        session = std::make_unique<BoardSession>(parts);
        session->stream().subscribe([this](const Measurement& m) { measurements.append(m); });
    }
    ~BoardRig()
    {
        session.reset();
        board.reset();
    }

    bool start()
    {
        board = std::make_unique<BoardProcess>(
            QStringList{"--fixed", "10,20,30", "--record", received()});
        return !board->portPath().isEmpty() &&
               session->OpenPort(board->portPath(), QStringLiteral("115200"));
    }
    QString received() const { return dir.filePath(QStringLiteral("received.bin")); }
    qint64 receivedSize() const { return QFileInfo(received()).size(); }
    int liveFrames() const
    {
        int n = 0;
        for (const Measurement& m : measurements)
            n += std::abs(m.phi - Roll) < 1e-4f ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    MemoryLogger log;
    WindowTimer timer12{QStringLiteral("Timer12"), 20, true};
    QString firmware;
    std::unique_ptr<BoardProcess> board;
    std::unique_ptr<BoardSession> session;
    QList<Measurement> measurements;
};

} // namespace

class TestSessionBoard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A missing virtual board fails the suite, as it fails every other one that needs it.
        QVERIFY2(QFile::exists(BoardProcess::program()),
                 qPrintable(BoardProcess::program() + " is not built"));
    }

    // Live polling, a replay in the middle (the board is neither polled nor read, the recorded
    // frames are decoded), and live again.
    void liveReplayLive()
    {
        BoardRig r;
        QVERIFY(r.start());
        QTRY_VERIFY_WITH_TIMEOUT(r.liveFrames() >= 3, 5000);
        QCOMPARE(r.measurements.last().kind, 'F');
        QCOMPARE(r.measurements.last().values.size(), 18);

        r.session->beginReplay();
        // An "F" may still be on its way; after that, the board hears nothing.
        QTest::qWait(100);
        const qint64 heard = r.receivedSize();
        const qsizetype before = r.measurements.size();
        for (int i = 0; i < 5; ++i)
            r.session->playRecorded('F', floatsBytes({3.0f, 0.5f, 1.0f}));
        // Two poll intervals without a request.
        QTest::qWait(80);
        QCOMPARE(r.receivedSize(), heard);
        QCOMPARE(r.measurements.size(), before + 5);
        for (qsizetype i = before; i < r.measurements.size(); ++i)
            QCOMPARE(r.measurements[i].phi, 3.0f);

        r.session->endReplay();
        const int live = r.liveFrames();
        QTRY_VERIFY_WITH_TIMEOUT(r.liveFrames() >= live + 3, 5000);
        QVERIFY(r.receivedSize() > heard);
    }

    // A download in the middle of live polling, with a replay opened during the download: the
    // bootloader exchange goes through, then the replay has the session; live again after it.
    void downloadInTheMiddleOfLive()
    {
        BoardRig r;
        r.firmware = r.dir.filePath(QStringLiteral("fw.kfw"));
        QVERIFY(writeFile(r.firmware, TwoSegmentFile()));
        QVERIFY(r.start());
        QTRY_VERIFY_WITH_TIMEOUT(r.liveFrames() >= 3, 5000);

        bool replayedDuringDownload = false;
        QTimer::singleShot(300, [&] {
            r.session->beginReplay();
            r.session->playRecorded('F', floatsBytes({3.0f}));
            replayedDuringDownload = r.session->mode() == BoardSession::Mode::Download;
        });
        const qsizetype before = r.measurements.size();
        r.session->runDownload();
        QVERIFY2(r.log.hasLineStartingWith(QStringLiteral("Flash Memory Programmed in ")),
                 qPrintable(r.log.lines.join(" | ")));
        QCOMPARE(r.log.lines.last(), QString("Application Launched."));
        QVERIFY(replayedDuringDownload);
        // Nothing was decoded during the download, the early replayed frame included.
        QCOMPARE(r.measurements.size(), before);
        QCOMPARE(r.session->mode(), BoardSession::Mode::Replay);
        QVERIFY(!r.timer12.Enabled());

        r.session->playRecorded('F', floatsBytes({3.0f}));
        QCOMPARE(r.measurements.size(), before + 1);
        r.session->endReplay();
        QCOMPARE(r.session->mode(), BoardSession::Mode::Live);
        const int live = r.liveFrames();
        QTRY_VERIFY_WITH_TIMEOUT(r.liveFrames() >= live + 3, 5000);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestSessionBoard)
#include "tst_session_board.moc"
