#pragma once

#include "protocol/Measurement.h"
#include "record/RecordingFormat.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Records measurements to a file (format: RecordingFormat.h). Rows are collected in memory and
// written as whole lines at least every FlushMs, so a killed program leaves only complete
// lines, plus perhaps one cut line that the reader drops. A failed write ends the recording.
// Every event is reported once, as one text for the message log.
//
// The app subscribes add() to the MeasurementStream while recording:
//   stream.subscribe([&recorder](const Measurement& m) { recorder.add(m); });
// Frames that do not come (a closed port, a lost link) only leave a gap in the times.
class Recorder : public QObject
{
    Q_OBJECT
public:
    using Report = std::function<void(const QString&)>;
    static constexpr int FlushMs = 500;

    explicit Recorder(Report report, QObject* parent = nullptr);
    // Stops a running recording (reported as a normal stop).
    ~Recorder() override;

    // Creates (truncates) the file, writes the header lines and reports "Recording to PATH";
    // on failure reports "Recording stopped: cannot write PATH: REASON" and returns false.
    // A running recording is stopped first. The clock starts here.
    bool start(const QString& path, const RecordingFormat::Info& info);
    // Writes what is pending, closes the file and reports
    // "Recording stopped: N frames, S.s s in PATH". Nothing when not recording.
    void stop();

    // One row, time-stamped now; ignored when not recording.
    void add(const Measurement& m);

    bool isRecording() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    qint64 frames() const { return m_frames; }
    // Time stamp of the last frame, in microseconds since start().
    qint64 lastFrameUs() const { return m_lastUs; }

    static QString startMessage(const QString& path);
    static QString stopMessage(qint64 frames, qint64 lastUs, const QString& path);
    static QString failureMessage(const QString& path, const QString& reason);

signals:
    // The recording ended, by stop() or by a write failure.
    void stopped();

private:
    void flush();
    void fail(const QString& reason);
    void close();

    Report m_report;
    QFile m_file;
    QString m_path;
    QByteArray m_pending;
    QElapsedTimer m_clock;
    QTimer m_flushTimer;
    qint64 m_frames = 0;
    qint64 m_lastUs = 0;
};
