#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// Helpers on the back buffer of the current OpenGL context.

// Sets the viewport to the whole drawable (size in device pixels).
void SetViewport(const QSize& size);

// Fills the colour buffer with one colour, leaving the clear colour as it was.
void FillBackBuffer(const QColor& color);

// Reads the back buffer (size in device pixels) into an image, top row first.
QImage ReadBackBuffer(const QSize& size);
