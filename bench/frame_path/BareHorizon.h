#pragma once

#include <QSize>

#include <vector>

struct FloorFigures
{
    // Time of each picture in ms (drawn and swapped, as the view presents it); empty when no
    // context could be had.
    std::vector<double> times;
    // CPU time of the whole process (every thread, the driver's included) per picture, in ms.
    double cpuMsPerFrame = 0;
};

// The floor: the same horizon drawn and presented in a bare OpenGL window of the given size,
// with nothing else in the program drawing; frames pictures, gapMs apart, or with forMs set,
// as many as come in that time.
FloorFigures BareHorizon(const QSize& size, int frames, int gapMs, int forMs = 0);
