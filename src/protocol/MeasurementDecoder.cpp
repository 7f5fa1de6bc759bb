#include "protocol/MeasurementDecoder.h"

#include "protocol/Floats.h"

Measurement MeasurementDecoder::decoded(char kind, const QByteArray& payload, bool readsAngles)
{
    if (readsAngles) {
        // Float k of a payload (counted from 1) starts at byte position 4k - 3.
        m_phi = ReadFloatAt(payload, 1);
        m_theta = ReadFloatAt(payload, 5);
        m_psi = ReadFloatAt(payload, 9);
    }
    Measurement m;
    m.kind = kind;
    m.values = Measurement::valuesOf(payload);
    m.phi = m_phi;
    m.theta = m_theta;
    m.psi = m_psi;
    return m;
}

Measurement MeasurementDecoder::DecodeFrameF(const QByteArray& payload)
{
    return decoded('F', payload, true);
}

Measurement MeasurementDecoder::DecodeFrameG(const QByteArray& payload)
{
    return decoded('G', payload, true);
}

Measurement MeasurementDecoder::DecodeFrameR(const QByteArray& payload)
{
    return decoded('R', payload, true);
}

Measurement MeasurementDecoder::DecodeFrameC(const QByteArray& payload)
{
    return decoded('C', payload, false);
}
