#include "record/Replayer.h"

#include <algorithm>
#include <cmath>

Replayer::Replayer(QObject* parent) : QObject(parent)
{
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &Replayer::emitDue);
    m_positionTimer.setInterval(PositionIntervalMs);
    connect(&m_positionTimer, &QTimer::timeout, this, [this] { emit positionChanged(position()); });
}

void Replayer::load(Recording recording)
{
    pause();
    ++m_generation;
    m_recording = std::move(recording);
    m_played = 0;
    m_next = 0;
    m_anchorUs = 0;
    emit loaded();
    emit positionChanged(0);
}

qint64 Replayer::position() const
{
    if (!m_playing)
        return m_anchorUs;
    const double elapsedUs = double(m_clock.nsecsElapsed()) / 1000.0 * m_speed;
    return std::min(duration(), m_anchorUs + qint64(elapsedUs));
}

void Replayer::anchor(qint64 position)
{
    ++m_generation;
    m_anchorUs = position;
    m_clock.start();
}

void Replayer::play()
{
    if (m_playing || m_recording.frames.isEmpty())
        return;
    if (m_next >= m_recording.frames.size())
        seek(0);
    m_playing = true;
    anchor(m_anchorUs);
    m_positionTimer.start();
    emit playingChanged(true);
    emitDue();
}

void Replayer::pause()
{
    if (!m_playing)
        return;
    const qint64 now = position();
    m_playing = false;
    m_anchorUs = now;
    ++m_generation;
    m_frameTimer.stop();
    m_positionTimer.stop();
    emit playingChanged(false);
    emit positionChanged(m_anchorUs);
}

void Replayer::setSpeed(double speed)
{
    if (!(speed > 0) || speed == m_speed)
        return;
    if (m_playing)
        anchor(position());
    m_speed = speed;
    if (m_playing)
        scheduleNext();
}

void Replayer::seek(qint64 microseconds)
{
    const qint64 target = std::clamp<qint64>(microseconds, 0, duration());
    const auto& frames = m_recording.frames;
    const auto it = std::lower_bound(
        frames.begin(), frames.end(), target,
        [](const RecordedFrame& frame, qint64 t) { return frame.microseconds < t; });
    m_next = it - frames.begin();
    anchor(target);
    emit positionChanged(target);
    if (m_playing)
        scheduleNext();
}

void Replayer::emitDue()
{
    if (!m_playing)
        return;
    const qint64 now = position();
    const quint64 generation = m_generation;
    const auto& frames = m_recording.frames;
    while (m_next < frames.size() && frames.at(m_next).microseconds <= now) {
        const Measurement& m = frames.at(m_next).measurement;
        ++m_next;
        ++m_played;
        if (m_output)
            m_output(m.kind, m.payload());
        // The output may have paused, seeked or loaded another recording.
        if (generation != m_generation)
            return;
    }
    if (m_next < frames.size()) {
        scheduleNext();
        return;
    }
    m_playing = false;
    m_anchorUs = duration();
    m_positionTimer.stop();
    emit playingChanged(false);
    emit positionChanged(m_anchorUs);
    emit finished();
}

void Replayer::scheduleNext()
{
    if (m_next >= m_recording.frames.size())
        return;
    const qint64 dueUs = m_recording.frames.at(m_next).microseconds - position();
    const double waitMs = std::max(0.0, double(dueUs) / 1000.0 / m_speed);
    m_frameTimer.start(int(std::min(std::ceil(waitMs), 1.0e9)));
}
