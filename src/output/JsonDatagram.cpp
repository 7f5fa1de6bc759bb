#include "output/JsonDatagram.h"

#include "protocol/MeasurementNames.h"

#include <charconv>
#include <cmath>

namespace JsonDatagram {

QByteArray timestampText(qint64 unixMicroseconds)
{
    const qint64 seconds = unixMicroseconds / 1000000;
    const qint64 micros = unixMicroseconds % 1000000;
    return QByteArray::number(seconds) + '.' + QByteArray::number(micros).rightJustified(6, '0');
}

QByteArray numberText(float value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("null");
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

QByteArray stringText(const QString& text)
{
    QByteArray out("\"");
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00" + QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    return out + '"';
}

QByteArray datagram(const Measurement& m, qint64 unixMicroseconds, const QString& port)
{
    QByteArray out;
    out.reserve(64 + 24 * m.values.size());
    out += "{\"timestamp\":" + timestampText(unixMicroseconds) +
           ",\"kind\":" + stringText(QString(QLatin1Char(m.kind)));
    // The closing brace always has its place.
    const qsizetype room = MaxDatagramBytes - 2;
    if (!port.isEmpty()) {
        const QByteArray field = ",\"port\":" + stringText(port);
        if (out.size() + field.size() <= room)
            out += field;
    }
    for (qsizetype i = 0; i < m.values.size(); ++i) {
        const QByteArray field =
            ",\"" + valueName(m.kind, int(i) + 1) + "\":" + numberText(m.values[i]);
        if (out.size() + field.size() > room)
            break;
        out += field;
    }
    return out + '}';
}

} // namespace JsonDatagram
