#include "BareHorizon.h"

#include "common/ProcStat.h"
#include "core/Pause.h"
#include "display/AttitudeScene.h"
#include "display/GlFrame.h"
#include "display/PixelFormat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QWindow>

#include <cmath>

FloorFigures BareHorizon(const QSize& size, int frames, int gapMs, int forMs)
{
    FloorFigures figures;
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    // The format the view asks for, so both draw into the same kind of buffer.
    const QSurfaceFormat format = CockpitFormatRequest();
    window.setFormat(format);
    window.resize(size);
    window.show();
    for (int waited = 0; waited < 5000 && !window.isExposed(); waited += 20)
        PauseMs(20);
    QOpenGLContext context;
    context.setFormat(format);
    if (!window.isExposed() || !context.create() || !context.makeCurrent(&window))
        return figures;
    SetViewport(window.size() * window.devicePixelRatio());
    SetupAttitudeScene();
    std::vector<double>& times = figures.times;
    const double cpuBefore = ProcessCpuSeconds(QCoreApplication::applicationPid());
    QElapsedTimer clock;
    clock.start();
    int k = 0;
    for (; forMs > 0 ? clock.elapsed() < forMs : k < frames; ++k) {
        const float t = float(k) * 0.05f;
        const qint64 start = clock.nsecsElapsed();
        if (QOpenGLContext::currentContext() != &context)
            context.makeCurrent(&window);
        RenderAttitude(0.7f * std::sin(t), 0.45f * std::sin(0.63f * t), size.height() * 15.0,
                       size.width() * 15.0);
        context.swapBuffers(&window);
        times.push_back(double(clock.nsecsElapsed() - start) / 1e6);
        PauseMs(gapMs);
    }
    const double cpuAfter = ProcessCpuSeconds(QCoreApplication::applicationPid());
    figures.cpuMsPerFrame = k > 0 ? (cpuAfter - cpuBefore) * 1000.0 / k : 0;
    context.doneCurrent();
    return figures;
}
