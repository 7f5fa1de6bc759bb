#include "protocol/Measurement.h"

#include "protocol/Floats.h"

float Measurement::at(int k) const
{
    if (k < 1 || k > values.size())
        return 0.0f;
    return SanitisedFloat(values[k - 1]);
}

QByteArray Measurement::payload() const
{
    QByteArray bytes;
    bytes.reserve(4 * values.size());
    for (float v : values)
        bytes += SingleToBytes(v);
    return bytes;
}

QList<float> Measurement::valuesOf(const QByteArray& payload)
{
    QList<float> out;
    out.reserve(payload.size() / 4);
    const QByteArrayView bytes(payload);
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
        out.append(BytesToSingle(bytes.sliced(i, 4)));
    return out;
}
