#include "display/GlFrame.h"

#include <GL/gl.h>

void SetViewport(const QSize& size)
{
    glViewport(0, 0, size.width(), size.height());
}

void FillBackBuffer(const QColor& color)
{
    GLfloat saved[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
    glClearColor(color.redF(), color.greenF(), color.blueF(), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(saved[0], saved[1], saved[2], saved[3]);
}

QImage ReadBackBuffer(const QSize& size)
{
    if (size.isEmpty()) {
        return {};
    }
    QImage frame(size, QImage::Format_RGBA8888);
    glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, frame.bits());
    // OpenGL counts rows from the bottom.
    return frame.mirrored(false, true);
}
