#include "record/Recorder.h"

namespace {

// Rows pile up to this size between timer flushes only at very high frame rates.
constexpr qsizetype FlushBytes = qsizetype(64) * 1024;

} // namespace

Recorder::Recorder(Report report, QObject* parent) : QObject(parent), m_report(std::move(report))
{
    m_flushTimer.setInterval(FlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &Recorder::flush);
}

Recorder::~Recorder()
{
    stop();
}

QString Recorder::startMessage(const QString& path)
{
    return QStringLiteral("Recording to %1").arg(path);
}

QString Recorder::stopMessage(qint64 frames, qint64 lastUs, const QString& path)
{
    return QStringLiteral("Recording stopped: %1 frames, %2 s in %3")
        .arg(frames)
        .arg(QString::number(double(lastUs) / 1e6, 'f', 1), path);
}

QString Recorder::failureMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Recording stopped: cannot write %1: %2").arg(path, reason);
}

bool Recorder::start(const QString& path, const RecordingFormat::Info& info)
{
    stop();
    m_path = path;
    m_frames = 0;
    m_lastUs = 0;
    m_pending.clear();
    m_file.setFileName(path);
    // Unbuffered: each flush is one write of whole lines, never a piece chosen by QFile.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_report(failureMessage(path, m_file.errorString()));
        emit stopped();
        return false;
    }
    m_pending = RecordingFormat::headerLines(info);
    m_clock.start();
    flush();
    if (!isRecording())
        return false;
    m_flushTimer.start();
    m_report(startMessage(path));
    return true;
}

void Recorder::add(const Measurement& m)
{
    if (!isRecording())
        return;
    m_lastUs = m_clock.nsecsElapsed() / 1000;
    m_pending += RecordingFormat::row(m_lastUs, m.kind, m.values);
    ++m_frames;
    if (m_pending.size() >= FlushBytes)
        flush();
}

void Recorder::stop()
{
    if (!isRecording())
        return;
    flush();
    if (!isRecording())
        return;
    close();
    m_report(stopMessage(m_frames, m_lastUs, m_path));
    emit stopped();
}

void Recorder::flush()
{
    if (!isRecording() || m_pending.isEmpty())
        return;
    // A short write (a disk filling up) says nothing about why; the write of the rest does.
    qsizetype done = 0;
    while (done < m_pending.size()) {
        const qint64 written = m_file.write(m_pending.constData() + done, m_pending.size() - done);
        if (written <= 0) {
            fail(m_file.errorString());
            return;
        }
        done += written;
    }
    m_pending.clear();
}

void Recorder::fail(const QString& reason)
{
    close();
    m_report(failureMessage(m_path, reason));
    emit stopped();
}

void Recorder::close()
{
    m_flushTimer.stop();
    m_pending.clear();
    m_file.close();
}
