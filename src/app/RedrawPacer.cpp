#include "app/RedrawPacer.h"

RedrawPacer::RedrawPacer(std::function<void()> draw) : m_draw(std::move(draw))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { drawNow(); });
}

void RedrawPacer::request()
{
    if (m_timer.isActive())
        return;
    const qint64 elapsed = m_sinceDraw.isValid() ? m_sinceDraw.elapsed() : RefreshMs;
    if (elapsed >= RefreshMs) {
        drawNow();
        return;
    }
    m_timer.start(int(RefreshMs - elapsed));
}

void RedrawPacer::drawNow()
{
    m_timer.stop();
    m_sinceDraw.start();
    m_draw();
}
