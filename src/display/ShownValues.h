#pragma once

#include "protocol/Measurement.h"

#include <QChar>
#include <QPointF>
#include <QString>

#include <optional>

// What the window shows of a measurement, worked out from its values when it is shown (never
// for a frame that is not): the magnetometer dial's point, the sensor box's text (Text3) and
// the calibration box's text (Text5). Numbers are rounded halves to even and written with the
// user's decimal separator; lines end in CR LF.
class ShownValues
{
public:
    explicit ShownValues(QChar decimalSeparator) : m_separator(decimalSeparator) {}

    // The dial's two numbers: F and R (Hy, Hx), G (0, 0); a C frame moves no dial.
    static std::optional<QPointF> DialPoint(const Measurement& m);
    // F and R: the magnetic text; G: the values text; C leaves the box as it is.
    std::optional<QString> SensorText(const Measurement& m) const;
    // F: the prompt of its step code (codes 0 to 13; other codes leave the box); C: its
    // eighth float, 2 decimals; G and R leave the box as it is.
    std::optional<QString> CalibrationText(const Measurement& m) const;

    // "Hx : 1.5\r\nHy : 0\r\nHz : -2" (2 decimals, no line break at the end).
    QString MagneticText(float hx, float hy, float hz) const;
    // "Value1 : ...\r\n" to "Value4 : ...\r\n" (3 decimals, ends with a line break).
    QString ValuesText(float v1, float v2, float v3, float v4) const;

private:
    QChar m_separator;
};
