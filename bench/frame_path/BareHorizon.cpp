#include "BareHorizon.h"

#include "core/Pause.h"
#include "display/AttitudeScene.h"
#include "display/GlFrame.h"
#include "display/PixelFormat.h"

#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QWindow>

#include <cmath>

std::vector<double> BareHorizonTimes(const QSize& size, int frames, int gapMs)
{
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
        return {};
    SetViewport(window.size() * window.devicePixelRatio());
    SetupAttitudeScene();
    std::vector<double> times;
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < frames; ++k) {
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
    context.doneCurrent();
    return times;
}
