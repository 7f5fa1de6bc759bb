#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Draws at most once per screen refresh. A frame that comes a refresh or more after the last
// drawing is drawn at once; one that comes sooner waits for the end of that refresh, and
// then the newest values are drawn. No frame waits longer than one refresh.
class RedrawPacer
{
public:
    static constexpr int RefreshMs = 16;

    explicit RedrawPacer(std::function<void()> draw, int refreshMs = RefreshMs);

    // A frame's values are ready: draw now or when the refresh is over.
    void request();
    // Draws what is waiting now, if anything.
    void drawNow();
    bool waiting() const { return m_timer.isActive(); }

private:
    std::function<void()> m_draw;
    int m_refreshMs;
    QTimer m_timer;
    QElapsedTimer m_sinceDraw;
};
