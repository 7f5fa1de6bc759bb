#pragma once

#include <QWidget>

class QCloseEvent;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class Replayer;

// The small "Replay" window: play/pause, speed (0.25x, 1x, 4x, 16x), a position slider with
// the time "m:ss.s / m:ss.s", and the file name. It only drives the Replayer it is given; the
// replayer's output (the decoder) and its loading are wired by the owner.
class ReplayWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ReplayWindow(Replayer& replayer, QWidget* parent = nullptr);

    // "1:05.3" for 65.3 s (tenths cut, not rounded).
    static QString timeText(qint64 microseconds);

protected:
    // Closing the window pauses the replay.
    void closeEvent(QCloseEvent* event) override;

private:
    void showRecording();
    void showPlaying(bool playing);
    void showPosition(qint64 microseconds);
    void seekToSlider(int ms);

    Replayer& m_replayer;
    QPushButton* m_play;
    QComboBox* m_speed;
    QSlider* m_slider;
    QLabel* m_time;
    QLabel* m_file;
    // Set while the slider follows the replayer, so that moving it does not seek.
    bool m_following = false;
};
