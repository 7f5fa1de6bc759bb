#pragma once

#include <QSize>

#include <vector>

// The floor: the same horizon drawn and presented in a bare OpenGL window of the given size,
// with nothing else in the program drawing. Returns the time of each picture in ms (drawn and
// swapped, as the view presents it), or nothing when no context could be had.
std::vector<double> BareHorizonTimes(const QSize& size, int frames, int gapMs);
