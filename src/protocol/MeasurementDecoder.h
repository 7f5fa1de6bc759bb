#pragma once

#include "protocol/MeasurementStream.h"
#include "protocol/MeasurementView.h"

#include <QByteArray>
#include <QChar>
#include <QString>

// Decodes the measurement frames into the attitude angles and the texts of the window, and
// redraws the views, each step in a fixed order. Every decoded frame is then published on the
// measurement stream (recorder, plots, field view).
class MeasurementDecoder
{
public:
    MeasurementDecoder(MeasurementView& view, QChar decimalSeparator)
        : m_view(view), m_separator(decimalSeparator)
    {}

    MeasurementStream& stream() { return m_stream; }

    // F: 18 floats; angles, magnetic field (14..16) and the calibration step code (17).
    void DecodeFrameF(const QByteArray& payload);
    // G: 7 floats; angles and four values.
    void DecodeFrameG(const QByteArray& payload);
    // R: 6 floats; angles and magnetic field.
    void DecodeFrameR(const QByteArray& payload);
    // C: 8 floats; float 8 goes to the calibration box, the angles stay as they are.
    void DecodeFrameC(const QByteArray& payload);
    // A text frame's message, one character per byte, to the calibration box.
    void ShowDeviceMessage(const QByteArray& message);

    // "Hx : 1.5\r\nHy : 0\r\nHz : -2" (2 decimals, no line break at the end).
    QString MagneticText(float hx, float hy, float hz) const;
    // "Value1 : ...\r\n" to "Value4 : ...\r\n" (3 decimals, ends with a line break).
    QString ValuesText(float v1, float v2, float v3, float v4) const;

    // Roll, pitch and heading in radians, as last decoded.
    float Phi = 0.0f;
    float Theta = 0.0f;
    float Psi = 0.0f;

private:
    void readAngles(const QByteArray& payload);
    void drawViews(double u, double v);
    void publish(char kind, const QByteArray& payload);

    MeasurementView& m_view;
    QChar m_separator;
    MeasurementStream m_stream;
};
