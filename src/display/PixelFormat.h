#pragma once

#include <QSurfaceFormat>

// The surface format asked for the attitude view: double-buffered RGBA with at least 5 bits
// per colour (16 colour bits) and 16 depth bits, a legacy (fixed-function) profile, and no
// wait for the vertical retrace so a swap never holds up the event thread.
QSurfaceFormat CockpitFormatRequest();

// True when the format a context really got can draw the view as asked for in request:
// desktop OpenGL, double buffered, at least the requested colour and depth bits.
bool IsUsablePixelFormat(const QSurfaceFormat& obtained, const QSurfaceFormat& request);
