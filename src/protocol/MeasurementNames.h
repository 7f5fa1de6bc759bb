#pragma once

#include <QByteArray>

// The name of float k (counted from 1) of a measurement frame, as the recording's columns and
// the live data out name it: F phi, theta, psi, f4 to f13, hx, hy, hz, code, f18; G phi, theta,
// psi, value1 to value4; R phi, theta, psi, hx, hy, hz; C f1 to f7, value. Floats past the
// named ones are "f" and their number ("f19").
QByteArray valueName(char kind, int k);
// The number of floats with names of their own: 18, 7, 6 or 8 (0 for another letter).
int namedValues(char kind);
