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

namespace {

// The names of a kind's floats as JSON keys with their colon (",\"phi\":"), made once: a
// datagram goes out for every frame, up to 500 a second.
const QByteArray& keyOf(char kind, int k)
{
    struct Keys
    {
        QByteArray named[4][19];
    };
    static const Keys keys = [] {
        Keys out;
        const char kinds[4] = {'F', 'G', 'R', 'C'};
        for (int i = 0; i < 4; ++i)
            for (int n = 1; n <= namedValues(kinds[i]); ++n)
                out.named[i][n] = ",\"" + valueName(kinds[i], n) + "\":";
        return out;
    }();
    const int i = kind == 'F' ? 0 : kind == 'G' ? 1 : kind == 'R' ? 2 : 3;
    if (k <= namedValues(kind))
        return keys.named[i][k];
    static thread_local QByteArray other;
    other = ",\"" + valueName(kind, k) + "\":";
    return other;
}

} // namespace

QByteArray datagram(const Measurement& m, qint64 unixMicroseconds, const QString& port)
{
    QByteArray out;
    out.reserve(MaxDatagramBytes);
    out += "{\"timestamp\":";
    out += timestampText(unixMicroseconds);
    out += ",\"kind\":\"";
    out += m.kind;
    out += '"';
    // The closing brace always has its place.
    const qsizetype room = MaxDatagramBytes - 2;
    if (!port.isEmpty()) {
        const QByteArray field = ",\"port\":" + stringText(port);
        if (out.size() + field.size() <= room)
            out += field;
    }
    char number[32];
    for (qsizetype i = 0; i < m.values.size(); ++i) {
        const QByteArray& key = keyOf(m.kind, int(i) + 1);
        const float v = m.values[i];
        const char* text = "null";
        qsizetype length = 4;
        if (std::isfinite(v)) {
            length = std::to_chars(number, number + sizeof number, v).ptr - number;
            text = number;
        }
        if (out.size() + key.size() + length > room)
            break;
        out += key;
        out.append(text, length);
    }
    out += '}';
    return out;
}

} // namespace JsonDatagram
