#include "app/RedrawPacer.h"

RedrawPacer::RedrawPacer(std::function<void()> draw, int refreshMs)
    : m_draw(std::move(draw)), m_refreshMs(refreshMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { drawNow(); });
}

void RedrawPacer::request()
{
    if (m_timer.isActive())
        return;
    const qint64 elapsed = m_sinceDraw.isValid() ? m_sinceDraw.elapsed() : m_refreshMs;
    if (elapsed >= m_refreshMs) {
        drawNow();
        return;
    }
    m_timer.start(int(m_refreshMs - elapsed));
}

void RedrawPacer::drawNow()
{
    m_timer.stop();
    m_sinceDraw.start();
    m_draw();
}
