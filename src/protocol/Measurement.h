#pragma once

#include <QByteArray>
#include <QList>

// One decoded measurement frame as data: its letter, every float of its payload as the board
// sent it (not sanitised, payload order) and the attitude the decoder holds after it (radians).
// What the window shows of it (texts, the dial's point) is worked out by the views.
struct Measurement
{
    char kind = 'F';
    QList<float> values;
    float phi = 0.0f;
    float theta = 0.0f;
    float psi = 0.0f;

    // Float k of the payload (counted from 1) as the decoder reads it: not finite, or larger
    // than 1e9 in magnitude, gives 0, and so does a float the payload does not hold.
    float at(int k) const;

    // The wire payload these values came from (4 bytes per float, least significant first).
    QByteArray payload() const;
    // The values of a payload; a trailing part of fewer than 4 bytes is dropped.
    static QList<float> valuesOf(const QByteArray& payload);
};
