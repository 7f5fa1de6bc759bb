#include "record/Recorder.h"
#include "record/RecordingReader.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const RecordingFormat::Info SomeInfo{QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), "COM7", 57600,
                                     2};

Measurement measurement(char kind, QList<float> values)
{
    Measurement m;
    m.kind = kind;
    m.values = std::move(values);
    return m;
}

QList<float> numbered(int count, float scale)
{
    QList<float> values;
    for (int i = 0; i < count; ++i)
        values.append(scale * float(i + 1) / 7.0f);
    return values;
}

std::uint32_t bits(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_messages.clear();
        QVERIFY(m_dir.isValid());
    }

    // Frames as the board sent them -> file -> reader: the same letters and the same bits.
    void roundTrip()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QList<float> f = numbered(18, 1.0f);
        f[0] = nan;
        f[4] = std::bit_cast<float>(0xFFFFFFFFu);
        f[13] = 3.0e38f;
        f[14] = -inf;
        f[15] = 1.0e-45f;
        f[16] = 13.0f;
        const QList<Measurement> sent{
            measurement('F', f),
            measurement('G', {0.1f, -0.2f, 6.2831855f, 1e9f, 1000000064.0f, -0.0f, nan}),
            measurement('R', numbered(6, -1e-3f)),
            measurement('C', {inf, 0, 0, 0, 0, 0, 0, 123.456f}),
            measurement('F', numbered(10, 1.0f)),
            measurement('G', numbered(255, 1e30f)),
            measurement('F', {})};

        const QString path = m_dir.filePath("round.csv");
        {
            Recorder recorder(report());
            QVERIFY(recorder.start(path, SomeInfo));
            for (const Measurement& m : sent)
                recorder.add(m);
        }
        const auto result = RecordingReader::read(path);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.path, path);
        QCOMPARE(result.recording.description,
                 "Skyvane recording started 2026-01-02T03:04:05, port COM7, 57600 baud, polling 2 "
                 "ms");
        QCOMPARE(result.recording.frames.size(), sent.size());
        qint64 previous = 0;
        for (qsizetype i = 0; i < sent.size(); ++i) {
            const RecordedFrame& got = result.recording.frames[i];
            QCOMPARE(got.measurement.kind, sent[i].kind);
            QCOMPARE(got.measurement.payload(), sent[i].payload());
            QVERIFY(got.microseconds >= previous);
            previous = got.microseconds;
        }
        QCOMPARE(bits(result.recording.frames[0].measurement.values[4]), 0xFFFFFFFFu);
    }

    void comma_decimal_locale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const bool cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        if (cLocale) {
            char text[8];
            std::snprintf(text, sizeof text, "%.1f", 1.5);
            QCOMPARE(QByteArray(text), QByteArray("1,5"));
        } else {
            qWarning("de_DE.UTF-8 is not installed: only the Qt locale is German");
        }

        const QString path = m_dir.filePath("de.csv");
        Recorder recorder(report());
        QVERIFY(recorder.start(path, SomeInfo));
        recorder.add(measurement('G', {1.5f, -2.25f, 1e-7f, 12345.678f}));
        recorder.stop();
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(saved);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray last = file.readAll().split('\n').at(5);
        QVERIFY2(last.endsWith(",G,1.5,-2.25,1.00000001e-07,12345.6777"), last.constData());
        QCOMPARE(RecordingReader::read(path).recording.frames.at(0).measurement.values.at(3),
                 12345.678f);
    }

    void messages()
    {
        const QString path = m_dir.filePath("m.csv");
        Recorder recorder(report());
        QSignalSpy stopped(&recorder, &Recorder::stopped);
        recorder.stop();
        QVERIFY(m_messages.isEmpty());
        QVERIFY(recorder.start(path, SomeInfo));
        for (int i = 0; i < 3; ++i)
            recorder.add(measurement('R', {1, 2, 3, 4, 5, 6}));
        recorder.stop();
        recorder.add(measurement('R', {1}));
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages[0], "Recording to " + path);
        QVERIFY2(QRegularExpression("^Recording stopped: 3 frames, \\d+\\.\\d s in " +
                                    QRegularExpression::escape(path) + "$")
                     .match(m_messages[1])
                     .hasMatch(),
                 qPrintable(m_messages[1]));
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(Recorder::stopMessage(1234, 41249999, "/p/f.csv"),
                 "Recording stopped: 1234 frames, 41.2 s in /p/f.csv");
        QCOMPARE(RecordingReader::read(path).recording.frames.size(), 3);
    }

    // Frames that stop (a lost link) are on disk within a second; a killed program leaves a
    // file with these complete lines; the next frame shows the gap in its time.
    void flushedWhileFramesPause()
    {
        const QString path = m_dir.filePath("gap.csv");
        Recorder recorder(report());
        QVERIFY(recorder.start(path, SomeInfo));
        recorder.add(measurement('F', numbered(18, 1.0f)));
        recorder.add(measurement('F', numbered(18, 2.0f)));
        QTRY_COMPARE_WITH_TIMEOUT(RecordingReader::read(path).recording.frames.size(), 2, 1500);
        QTest::qWait(300);
        recorder.add(measurement('G', numbered(7, 1.0f)));
        QTRY_COMPARE_WITH_TIMEOUT(RecordingReader::read(path).recording.frames.size(), 3, 1500);
        const auto frames = RecordingReader::read(path).recording.frames;
        QVERIFY(frames[2].microseconds - frames[1].microseconds >= 300000);
        QVERIFY(recorder.isRecording());
    }

    // A writer killed in the middle of a recording leaves only whole, valid lines.
    void killedWriter()
    {
        const QString path = m_dir.filePath("killed.csv");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            Recorder recorder([](const QString&) {});
            recorder.start(path, SomeInfo);
            for (int i = 0; i < 5000; ++i)
                recorder.add(measurement('F', numbered(18, float(i))));
            raise(SIGKILL);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        const auto result = RecordingReader::read(path);
        QVERIFY2(result.ok(), qPrintable(result.error));
        const qsizetype written = result.recording.frames.size();
        QVERIFY2(written > 100 && written < 5000, qPrintable(QString::number(written)));
        QCOMPARE(result.recording.frames.last().measurement.values,
                 numbered(18, float(written - 1)));
    }

    // The disk fills in the middle of a recording (here: a file size limit): one message, the
    // recording ends, the program goes on, and the file reads back up to its last whole line.
    void fileFillsUp()
    {
        const QString path = m_dir.filePath("full.csv");
        const QString expected = "Recording stopped: cannot write " + path + ": File too large";
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{3000, 3000};
            setrlimit(RLIMIT_FSIZE, &limit);
            Recorder recorder(report());
            recorder.start(path, SomeInfo);
            for (int i = 0; i < 2000; ++i)
                recorder.add(measurement('F', numbered(18, float(i))));
            recorder.stop();
            const bool ok =
                !recorder.isRecording() && m_messages.size() == 2 && m_messages[1] == expected;
            if (!ok)
                std::fprintf(stderr, "%s\n", qPrintable(m_messages.join(" | ")));
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(QFileInfo(path).size(), 3000);
        const auto result = RecordingReader::read(path);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QVERIFY(result.recording.frames.size() > 3);
    }

    // A burst beyond 64 KiB goes to disk as it comes, before the next timer flush.
    void aBigBurstIsWrittenAtOnce()
    {
        const QString path = m_dir.filePath("burst.csv");
        Recorder recorder(report());
        QVERIFY(recorder.start(path, SomeInfo));
        const qint64 header = QFileInfo(path).size();
        for (int i = 0; i < 40; ++i)
            recorder.add(measurement('F', numbered(255, float(i + 1))));
        QVERIFY2(QFileInfo(path).size() - header >= 64 * 1024,
                 qPrintable(QString::number(QFileInfo(path).size())));
        recorder.stop();
        const auto result = RecordingReader::read(path);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.frames.size(), 40);
        QCOMPARE(result.recording.frames[39].measurement.values, numbered(255, 40.0f));
    }

    // The last write, at stop, fails: its message ends the recording, and no stop line
    // claims the frames were kept.
    void theWriteAtStopFails()
    {
        const QString path = m_dir.filePath("stop.csv");
        Recorder recorder(report());
        QSignalSpy stopped(&recorder, &Recorder::stopped);
        QVERIFY(recorder.start(path, SomeInfo));
        recorder.add(measurement('F', numbered(18, 1.0f)));
        rlimit before{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto previous = signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(QFileInfo(path).size() + 20), before.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        recorder.stop();
        setrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, previous);
        QVERIFY(!recorder.isRecording());
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(m_messages,
                 (QStringList{"Recording to " + path,
                              "Recording stopped: cannot write " + path + ": File too large"}));
    }

    void unwritableFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder") << "/nonexistent-folder/r.csv"
                                   << "Recording stopped: cannot write /nonexistent-folder/r.csv: "
                                      "No such file or directory";
        QTest::newRow("disk full")
            << "/dev/full"
            << "Recording stopped: cannot write /dev/full: No space left on device";
    }

    void unwritableFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        Recorder recorder(report());
        QSignalSpy stopped(&recorder, &Recorder::stopped);
        QVERIFY(!recorder.start(path, SomeInfo));
        QVERIFY(!recorder.isRecording());
        recorder.add(measurement('F', {1}));
        recorder.stop();
        QCOMPARE(m_messages, QStringList{message});
        QCOMPARE(stopped.count(), 1);
    }

private:
    Recorder::Report report()
    {
        return [this](const QString& text) { m_messages.append(text); };
    }

    QTemporaryDir m_dir;
    QStringList m_messages;
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_Recorder.moc"
