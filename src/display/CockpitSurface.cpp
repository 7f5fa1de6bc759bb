#include "display/CockpitSurface.h"

CockpitSurface::CockpitSurface(const QSurfaceFormat& format)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(format);
}

void CockpitSurface::exposeEvent(QExposeEvent* event)
{
    QWindow::exposeEvent(event);
    if (isExposed() && m_exposeHandler) {
        m_exposeHandler();
    }
}
