#pragma once

#include <QWindow>

#include <functional>

// The native OpenGL window of the attitude view; it tells its owner when it needs painting.
class CockpitSurface : public QWindow
{
public:
    explicit CockpitSurface(const QSurfaceFormat& format);
    void setExposeHandler(std::function<void()> handler) { m_exposeHandler = std::move(handler); }

protected:
    void exposeEvent(QExposeEvent* event) override;

private:
    std::function<void()> m_exposeHandler;
};
