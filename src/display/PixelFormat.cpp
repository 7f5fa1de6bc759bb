#include "display/PixelFormat.h"

#include <algorithm>

QSurfaceFormat CockpitFormatRequest()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(5);
    format.setGreenBufferSize(5);
    format.setBlueBufferSize(5);
    format.setDepthBufferSize(16);
    format.setSwapInterval(0);
    return format;
}

bool IsUsablePixelFormat(const QSurfaceFormat& obtained, const QSurfaceFormat& request)
{
    const auto atLeast = [](int got, int wanted) { return got >= std::max(wanted, 0); };
    return obtained.renderableType() == QSurfaceFormat::OpenGL &&
           obtained.swapBehavior() == QSurfaceFormat::DoubleBuffer &&
           obtained.profile() != QSurfaceFormat::CoreProfile &&
           atLeast(obtained.redBufferSize(), request.redBufferSize()) &&
           atLeast(obtained.greenBufferSize(), request.greenBufferSize()) &&
           atLeast(obtained.blueBufferSize(), request.blueBufferSize()) &&
           atLeast(obtained.depthBufferSize(), request.depthBufferSize());
}
