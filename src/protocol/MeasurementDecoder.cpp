#include "protocol/MeasurementDecoder.h"

#include "protocol/CalibrationPrompt.h"
#include "protocol/Floats.h"
#include "protocol/NumberText.h"

namespace {

// Float k of a payload (counted from 1) starts at byte position 4k - 3.
float floatNo(const QByteArray& payload, int k)
{
    return ReadFloatAt(payload, 4 * k - 3);
}

} // namespace

void MeasurementDecoder::readAngles(const QByteArray& payload)
{
    Phi = floatNo(payload, 1);
    Theta = floatNo(payload, 2);
    Psi = floatNo(payload, 3);
}

Measurement MeasurementDecoder::started(char kind) const
{
    Measurement m;
    m.kind = kind;
    m.phi = Phi;
    m.theta = Theta;
    m.psi = Psi;
    return m;
}

// The frame-seen steps come first, then every listener in the order it subscribed: the
// window's views before the recorder and the plots.
void MeasurementDecoder::publish(Measurement& m, const QByteArray& payload)
{
    if (m_frameSeen)
        m_frameSeen();
    if (m_stream.listenerCount() == 0)
        return;
    m.values = Measurement::valuesOf(payload);
    m_stream.publish(m);
}

void MeasurementDecoder::DecodeFrameF(const QByteArray& payload)
{
    readAngles(payload);
    const float hx = floatNo(payload, 14);
    const float hy = floatNo(payload, 15);
    const float hz = floatNo(payload, 16);
    const float stepCode = floatNo(payload, 17);

    Measurement m = started('F');
    m.drawsDial = true;
    m.dialU = hy;
    m.dialV = hx;
    m.sensorText = MagneticText(hx, hy, hz);
    m.calibrationText = CalibrationPrompt(stepCode);
    publish(m, payload);
}

void MeasurementDecoder::DecodeFrameG(const QByteArray& payload)
{
    readAngles(payload);
    const float v1 = floatNo(payload, 4);
    const float v2 = floatNo(payload, 5);
    const float v3 = floatNo(payload, 6);
    const float v4 = floatNo(payload, 7);

    Measurement m = started('G');
    m.drawsDial = true;
    m.sensorText = ValuesText(v1, v2, v3, v4);
    publish(m, payload);
}

void MeasurementDecoder::DecodeFrameR(const QByteArray& payload)
{
    readAngles(payload);
    const float hx = floatNo(payload, 4);
    const float hy = floatNo(payload, 5);
    const float hz = floatNo(payload, 6);

    Measurement m = started('R');
    m.drawsDial = true;
    m.dialU = hy;
    m.dialV = hx;
    m.sensorText = MagneticText(hx, hy, hz);
    publish(m, payload);
}

void MeasurementDecoder::DecodeFrameC(const QByteArray& payload)
{
    const float shown = floatNo(payload, 8);

    Measurement m = started('C');
    m.calibrationText = RoundedText(shown, 2, m_separator);
    publish(m, payload);
}

void MeasurementDecoder::ShowDeviceMessage(const QByteArray& message)
{
    if (m_message)
        m_message(QString::fromLatin1(message));
}

QString MeasurementDecoder::MagneticText(float hx, float hy, float hz) const
{
    return QStringLiteral("Hx : ") + RoundedText(hx, 2, m_separator) + QStringLiteral("\r\nHy : ") +
           RoundedText(hy, 2, m_separator) + QStringLiteral("\r\nHz : ") +
           RoundedText(hz, 2, m_separator);
}

QString MeasurementDecoder::ValuesText(float v1, float v2, float v3, float v4) const
{
    return QStringLiteral("Value1 : ") + RoundedText(v1, 3, m_separator) +
           QStringLiteral("\r\nValue2 : ") + RoundedText(v2, 3, m_separator) +
           QStringLiteral("\r\nValue3 : ") + RoundedText(v3, 3, m_separator) +
           QStringLiteral("\r\nValue4 : ") + RoundedText(v4, 3, m_separator) +
           QStringLiteral("\r\n");
}
