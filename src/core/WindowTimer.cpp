#include "core/WindowTimer.h"

WindowTimer::WindowTimer(const QString& name, int interval, bool enabled, QObject* parent)
    : QObject(parent), m_interval(interval), m_enabled(enabled)
{
    setObjectName(name);
    chooseType();
    connect(&m_timer, &QTimer::timeout, this, &WindowTimer::Timer);
    apply();
}

void WindowTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds < 0 ? 0 : milliseconds;
    chooseType();
    apply();
}

void WindowTimer::setPrecise(bool precise)
{
    m_precise = precise;
    chooseType();
    apply();
}

void WindowTimer::chooseType()
{
    m_timer.setTimerType(m_precise || m_interval < 50 ? Qt::PreciseTimer : Qt::CoarseTimer);
}

void WindowTimer::setEnabled(bool enabled)
{
    const bool changed = enabled != m_enabled;
    m_enabled = enabled;
    apply();
    if (changed)
        emit EnabledChanged(enabled);
}

void WindowTimer::restart()
{
    const bool changed = !m_enabled;
    m_enabled = true;
    apply();
    if (changed)
        emit EnabledChanged(true);
}

void WindowTimer::setSwitchOnly(bool on)
{
    m_switchOnly = on;
    apply();
}

void WindowTimer::apply()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0 && !m_switchOnly)
        m_timer.start(m_interval);
}
