#pragma once

#include "record/RecordingReader.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Plays a recording back: each frame is handed to the output when its recorded time, scaled
// by the speed, has passed since play() (a single-shot timer per due frame, nothing ticks
// while waiting). The output receives the frame letter and the payload bytes, so the app
// feeds them to the same decoder as live frames.
class Replayer : public QObject
{
    Q_OBJECT
public:
    using Output = std::function<void(char kind, const QByteArray& payload)>;
    // positionChanged() comes this often while playing, and on every seek, pause and end.
    static constexpr int PositionIntervalMs = 100;

    explicit Replayer(QObject* parent = nullptr);

    void setOutput(Output output) { m_output = std::move(output); }

    // Pauses, replaces the recording and goes to its start; emits loaded().
    void load(Recording recording);
    const Recording& recording() const { return m_recording; }

    // Plays from the position; at the end it starts again from the beginning.
    void play();
    void pause();
    bool isPlaying() const { return m_playing; }

    // Speed factor (1: as recorded, 4: four times as fast); values <= 0 are ignored.
    void setSpeed(double speed);
    double speed() const { return m_speed; }

    // Goes to a time of the recording (clamped to 0..duration) without emitting frames; the
    // next frame played is the first at or after it.
    void seek(qint64 microseconds);
    qint64 position() const;
    qint64 duration() const { return m_recording.durationUs(); }
    // Frames handed to the output since load().
    qint64 framesPlayed() const { return m_played; }

signals:
    void loaded();
    void playingChanged(bool playing);
    void positionChanged(qint64 microseconds);
    // The last frame was played; the replayer is paused at the end.
    void finished();

private:
    void emitDue();
    void scheduleNext();
    void anchor(qint64 position);

    Recording m_recording;
    Output m_output;
    QTimer m_frameTimer;
    QTimer m_positionTimer;
    QElapsedTimer m_clock;
    qint64 m_anchorUs = 0;
    qsizetype m_next = 0;
    qint64 m_played = 0;
    // Changes on every load, seek and pause, so that a frame loop started before one stops.
    quint64 m_generation = 0;
    double m_speed = 1.0;
    bool m_playing = false;
};
