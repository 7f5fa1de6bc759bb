#include "record/Replayer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

struct Played
{
    char kind;
    QByteArray payload;
};

// Frames at the given times (ms), each carrying its time as its one float.
Recording recordingAt(const QList<int>& times, char kind = 'F')
{
    Recording recording;
    for (int t : times) {
        RecordedFrame frame;
        frame.microseconds = qint64(t) * 1000;
        frame.measurement.kind = kind;
        frame.measurement.values = {float(t)};
        recording.frames.append(frame);
    }
    return recording;
}

} // namespace

class TestReplayer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_played.clear();
        m_replayer = std::make_unique<Replayer>();
        m_replayer->setOutput([this](char kind, const QByteArray& payload) {
            m_played.append({kind, payload});
        });
    }

    void framesInOrderWithTheirBytes()
    {
        Recording recording = recordingAt({0, 5, 10});
        recording.frames[1].measurement.kind = 'C';
        recording.frames[1].measurement.values = {1.0f, -2.0f};
        m_replayer->load(recording);
        QSignalSpy finished(m_replayer.get(), &Replayer::finished);
        m_replayer->play();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(m_played.size(), 3);
        QCOMPARE(m_played[0].kind, 'F');
        QCOMPARE(m_played[0].payload, QByteArray("\x00\x00\x00\x00", 4));
        QCOMPARE(m_played[1].kind, 'C');
        QCOMPARE(m_played[1].payload, QByteArray("\x00\x00\x80\x3F\x00\x00\x00\xC0", 8));
        QCOMPARE(m_played[2].payload, QByteArray("\x00\x00\x20\x41", 4));
        QVERIFY(!m_replayer->isPlaying());
        QCOMPARE(m_replayer->position(), 10000);

        // Play at the end starts again from the beginning.
        m_replayer->play();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(m_played.size(), 6);
        QCOMPARE(m_replayer->framesPlayed(), 6);
    }

    void pauseHoldsTheFrames()
    {
        m_replayer->load(recordingAt({0, 400, 800}));
        QSignalSpy playing(m_replayer.get(), &Replayer::playingChanged);
        m_replayer->play();
        QCOMPARE(m_played.size(), 1);
        m_replayer->pause();
        const qint64 at = m_replayer->position();
        QVERIFY(at < 400000);
        QTest::qWait(600);
        QCOMPARE(m_played.size(), 1);
        QCOMPARE(m_replayer->position(), at);
        QCOMPARE(playing.count(), 2);

        m_replayer->setSpeed(16);
        m_replayer->play();
        QTRY_COMPARE(m_played.size(), 3);
    }

    void seekSkipsEarlierFrames()
    {
        m_replayer->load(recordingAt({0, 2000, 5000, 10000}));
        m_replayer->seek(4000000);
        QCOMPARE(m_replayer->position(), 4000000);
        m_replayer->seek(-5);
        QCOMPARE(m_replayer->position(), 0);
        m_replayer->seek(99000000);
        QCOMPARE(m_replayer->position(), 10000000);
        m_replayer->seek(5000000);
        m_replayer->setSpeed(0);
        m_replayer->setSpeed(-1);
        QCOMPARE(m_replayer->speed(), 1.0);
        m_replayer->setSpeed(16);
        m_replayer->play();
        QCOMPARE(m_played.size(), 1);
        QCOMPARE(m_played[0].payload, QByteArray("\x00\x40\x9C\x45", 4));
        QTRY_COMPARE(m_played.size(), 2);
        QCOMPARE(m_played[1].payload, QByteArray("\x00\x40\x1C\x46", 4));
    }

    // An output that pauses (the window closing) stops the frames at once.
    void outputMayPause()
    {
        m_replayer->load(recordingAt({0, 0, 0, 1}));
        m_replayer->setOutput([this](char, const QByteArray&) {
            ++m_count;
            m_replayer->pause();
        });
        m_count = 0;
        m_replayer->play();
        QCOMPARE(m_count, 1);
        QTest::qWait(50);
        QCOMPARE(m_count, 1);
    }

    // Timing proper is measured by bench_record; here only that frames wait for their time.
    void framesWaitForTheirTime()
    {
        QList<int> times;
        for (int i = 0; i < 100; ++i)
            times.append(33 * i);
        m_replayer->load(recordingAt(times));
        m_replayer->setSpeed(16);
        QSignalSpy finished(m_replayer.get(), &Replayer::finished);
        QElapsedTimer clock;
        clock.start();
        m_replayer->play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QVERIFY(clock.elapsed() >= 3267 / 16 - 5);
        QCOMPARE(m_played.size(), 100);
    }

    // Speed and seeks while playing move the next frame's due time: a frame 20 s away comes
    // within the wait below only when the pending timer is set again.
    void speedAndSeekWhilePlayingReschedule()
    {
        m_replayer->load(recordingAt({0, 20000}));
        m_replayer->play();
        QCOMPARE(m_played.size(), 1);
        const qint64 before = m_replayer->position();
        m_replayer->setSpeed(2000);
        QVERIFY(m_replayer->isPlaying());
        QVERIFY2(m_replayer->position() - before < 1000000, "the position jumped");
        QTRY_COMPARE_WITH_TIMEOUT(m_played.size(), 2, 5000);
        QCOMPARE(m_played[1].payload, QByteArray("\x00\x40\x9C\x46", 4));

        m_played.clear();
        m_replayer->setSpeed(1);
        m_replayer->load(recordingAt({0, 30000, 60000}));
        m_replayer->play();
        m_replayer->seek(59990000);
        QVERIFY(m_replayer->position() >= 59990000);
        QTRY_COMPARE_WITH_TIMEOUT(m_played.size(), 2, 5000);
        // 60000, not the skipped 30000.
        QCOMPARE(m_played[1].payload, QByteArray("\x00\x60\x6A\x47", 4));
        QVERIFY(!m_replayer->isPlaying());
    }

    // Play while playing changes nothing; speeds that are no speed are ignored; without an
    // output the frames are still counted through to the end.
    void repeatedCallsAndNoOutput()
    {
        m_replayer->load(recordingAt({0, 60000}));
        m_replayer->play();
        QSignalSpy playing(m_replayer.get(), &Replayer::playingChanged);
        m_replayer->play();
        QCOMPARE(m_played.size(), 1);
        QCOMPARE(m_replayer->framesPlayed(), 1);
        QVERIFY(playing.isEmpty());
        for (double speed : {1.0, 0.0, -2.0, std::nan("")})
            m_replayer->setSpeed(speed);
        QCOMPARE(m_replayer->speed(), 1.0);
        QVERIFY(m_replayer->isPlaying());
        m_replayer->pause();

        Replayer silent;
        QSignalSpy finished(&silent, &Replayer::finished);
        silent.load(recordingAt({0, 1, 2}));
        silent.play();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(silent.framesPlayed(), 3);
        QCOMPARE(silent.position(), 2000);
    }

    void emptyRecordingDoesNotPlay()
    {
        m_replayer->load(Recording{});
        m_replayer->play();
        QVERIFY(!m_replayer->isPlaying());
        QCOMPARE(m_replayer->duration(), 0);
    }

private:
    std::unique_ptr<Replayer> m_replayer;
    QList<Played> m_played;
    int m_count = 0;
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestReplayer)
#include "tst_Replayer.moc"
