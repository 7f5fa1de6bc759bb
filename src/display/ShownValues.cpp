#include "display/ShownValues.h"

#include "protocol/CalibrationPrompt.h"
#include "protocol/NumberText.h"

std::optional<QPointF> ShownValues::DialPoint(const Measurement& m)
{
    switch (m.kind) {
    case 'F':
        return QPointF(m.at(15), m.at(14));
    case 'R':
        return QPointF(m.at(5), m.at(4));
    case 'G':
        return QPointF(0.0, 0.0);
    default:
        return std::nullopt;
    }
}

std::optional<QString> ShownValues::SensorText(const Measurement& m) const
{
    switch (m.kind) {
    case 'F':
        return MagneticText(m.at(14), m.at(15), m.at(16));
    case 'R':
        return MagneticText(m.at(4), m.at(5), m.at(6));
    case 'G':
        return ValuesText(m.at(4), m.at(5), m.at(6), m.at(7));
    default:
        return std::nullopt;
    }
}

std::optional<QString> ShownValues::CalibrationText(const Measurement& m) const
{
    if (m.kind == 'F')
        return CalibrationPrompt(m.at(17));
    if (m.kind == 'C')
        return RoundedText(m.at(8), 2, m_separator);
    return std::nullopt;
}

QString ShownValues::MagneticText(float hx, float hy, float hz) const
{
    return QStringLiteral("Hx : ") + RoundedText(hx, 2, m_separator) + QStringLiteral("\r\nHy : ") +
           RoundedText(hy, 2, m_separator) + QStringLiteral("\r\nHz : ") +
           RoundedText(hz, 2, m_separator);
}

QString ShownValues::ValuesText(float v1, float v2, float v3, float v4) const
{
    return QStringLiteral("Value1 : ") + RoundedText(v1, 3, m_separator) +
           QStringLiteral("\r\nValue2 : ") + RoundedText(v2, 3, m_separator) +
           QStringLiteral("\r\nValue3 : ") + RoundedText(v3, 3, m_separator) +
           QStringLiteral("\r\nValue4 : ") + RoundedText(v4, 3, m_separator) +
           QStringLiteral("\r\n");
}
