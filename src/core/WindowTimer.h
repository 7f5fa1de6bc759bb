#pragma once

#include <QObject>
#include <QTimer>

// A window timer with an Interval and an Enabled state. An interval of 0 never ticks;
// disabling and enabling again, or changing the interval, restarts the count.
class WindowTimer : public QObject
{
    Q_OBJECT
public:
    WindowTimer(const QString& name, int interval, bool enabled, QObject* parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int milliseconds);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // Disable then enable: the next tick comes one full interval from now.
    void restart();
    bool isTicking() const { return m_timer.isActive(); }
    // A precise timer keeps its interval to the millisecond whatever it is; otherwise only
    // short intervals (under 50 ms) are kept that closely.
    void setPrecise(bool precise);
    Qt::TimerType timerType() const { return m_timer.timerType(); }
    // A switch-only timer keeps its Interval and Enabled state for whoever reads them but
    // never ticks: the work it stands for runs on events instead.
    void setSwitchOnly(bool on);

signals:
    void Timer();
    // Enabled went from off to on or back.
    void EnabledChanged(bool enabled);

private:
    void apply();
    void chooseType();

    QTimer m_timer;
    int m_interval;
    bool m_enabled;
    bool m_precise = false;
    bool m_switchOnly = false;
};
