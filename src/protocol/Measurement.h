#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One decoded measurement frame: its letter, every float of its payload as the board sent it
// (not sanitised, payload order), the attitude the decoder holds after it (radians), and what
// the window shows of it, already worked out, so that a view only draws.
struct Measurement
{
    char kind = 'F';
    QList<float> values;
    float phi = 0.0f;
    float theta = 0.0f;
    float psi = 0.0f;

    // The magnetometer dial's two numbers (F and R: Hy, Hx; G: 0, 0); C draws no dial.
    bool drawsDial = false;
    double dialU = 0.0;
    double dialV = 0.0;
    // The sensor box (Text3): the magnetic or the values text; C leaves the box alone.
    std::optional<QString> sensorText;
    // The calibration box (Text5): the prompt of an F frame's step code (codes 0 to 13), the
    // value of a C frame; nothing for the others.
    std::optional<QString> calibrationText;

    // The wire payload these values came from (4 bytes per float, least significant first).
    QByteArray payload() const;
    // The values of a payload; a trailing part of fewer than 4 bytes is dropped.
    static QList<float> valuesOf(const QByteArray& payload);
};
