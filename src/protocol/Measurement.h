#pragma once

#include <QByteArray>
#include <QList>

// One decoded measurement frame: its letter, every float of its payload as the board sent it
// (not sanitised, payload order), and the attitude the decoder holds after it (radians).
struct Measurement
{
    char kind = 'F';
    QList<float> values;
    float phi = 0.0f;
    float theta = 0.0f;
    float psi = 0.0f;

    // The wire payload these values came from (4 bytes per float, least significant first).
    QByteArray payload() const;
    // The values of a payload; a trailing part of fewer than 4 bytes is dropped.
    static QList<float> valuesOf(const QByteArray& payload);
};
