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

// The attitude, heading and magnetometer views, in the order the frames redraw them.
void MeasurementDecoder::drawViews(double u, double v)
{
    m_view.frameSeen();
    m_view.DrawAttitude3D(Phi, Theta);
    m_view.DrawRoute(Psi);
    m_view.DrawMagDial(u, v);
}

void MeasurementDecoder::publish(char kind, const QByteArray& payload)
{
    if (m_stream.listenerCount() == 0)
        return;
    Measurement m;
    m.kind = kind;
    m.values = Measurement::valuesOf(payload);
    m.phi = Phi;
    m.theta = Theta;
    m.psi = Psi;
    m_stream.publish(m);
}

void MeasurementDecoder::DecodeFrameF(const QByteArray& payload)
{
    readAngles(payload);
    const float hx = floatNo(payload, 14);
    const float hy = floatNo(payload, 15);
    const float hz = floatNo(payload, 16);
    const float stepCode = floatNo(payload, 17);

    drawViews(hy, hx);
    m_view.setSensorText(MagneticText(hx, hy, hz));
    if (const auto prompt = CalibrationPrompt(stepCode))
        m_view.ShowDeviceMessage(*prompt);
    publish('F', payload);
    m_view.frameDone();
}

void MeasurementDecoder::DecodeFrameG(const QByteArray& payload)
{
    readAngles(payload);
    const float v1 = floatNo(payload, 4);
    const float v2 = floatNo(payload, 5);
    const float v3 = floatNo(payload, 6);
    const float v4 = floatNo(payload, 7);

    drawViews(0.0, 0.0);
    m_view.setSensorText(ValuesText(v1, v2, v3, v4));
    publish('G', payload);
    m_view.frameDone();
}

void MeasurementDecoder::DecodeFrameR(const QByteArray& payload)
{
    readAngles(payload);
    const float hx = floatNo(payload, 4);
    const float hy = floatNo(payload, 5);
    const float hz = floatNo(payload, 6);

    drawViews(hy, hx);
    m_view.setSensorText(MagneticText(hx, hy, hz));
    publish('R', payload);
    m_view.frameDone();
}

void MeasurementDecoder::DecodeFrameC(const QByteArray& payload)
{
    const float shown = floatNo(payload, 8);

    m_view.frameSeen();
    m_view.ShowDeviceMessage(RoundedText(shown, 2, m_separator));
    m_view.DrawAttitude3D(Phi, Theta);
    m_view.DrawRoute(Psi);
    publish('C', payload);
    m_view.frameDone();
}

void MeasurementDecoder::ShowDeviceMessage(const QByteArray& message)
{
    m_view.ShowDeviceMessage(QString::fromLatin1(message));
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
