#pragma once

#include "protocol/Measurement.h"

#include <QByteArray>

// Decodes the measurement frames into Measurements and holds the attitude they leave: roll,
// pitch and heading in radians, 0 until the first frame. A C frame leaves the attitude as it
// is. Nothing here draws, formats or publishes: the frame dispatch hands each Measurement on.
class MeasurementDecoder
{
public:
    // F: 18 floats; angles, magnetic field (14..16) and the calibration step code (17).
    Measurement DecodeFrameF(const QByteArray& payload);
    // G: 7 floats; angles and four values.
    Measurement DecodeFrameG(const QByteArray& payload);
    // R: 6 floats; angles and magnetic field.
    Measurement DecodeFrameR(const QByteArray& payload);
    // C: 8 floats; float 8 is shown in the calibration box, the angles stay as they are.
    Measurement DecodeFrameC(const QByteArray& payload);

    float Phi() const { return m_phi; }
    float Theta() const { return m_theta; }
    float Psi() const { return m_psi; }

private:
    Measurement decoded(char kind, const QByteArray& payload, bool readsAngles);

    float m_phi = 0.0f;
    float m_theta = 0.0f;
    float m_psi = 0.0f;
};
