#include "FrameEncoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace FrameEncoding {

void appendFloat(QByteArray& out, float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
}

QByteArray countedFrame(char kind, const QList<float>& values)
{
    const auto count = std::min<qsizetype>(values.size(), 255);
    QByteArray out;
    out.reserve(2 + 4 * count);
    out.append(kind);
    out.append(static_cast<char>(count));
    for (qsizetype i = 0; i < count; ++i)
        appendFloat(out, values[i]);
    return out;
}

QByteArray fixedFrame(const QList<float>& values)
{
    QByteArray out("C");
    for (qsizetype i = 0; i < 8; ++i)
        appendFloat(out, i < values.size() ? values[i] : 0.0f);
    return out;
}

QByteArray textFrame(const QByteArray& message)
{
    return '*' + message + '#';
}

QByteArray constantsFrame(const QList<float>& entries)
{
    QByteArray out("[");
    out.reserve(5 + 4 * entries.size());
    appendFloat(out, static_cast<float>(entries.size()));
    for (float entry : entries)
        appendFloat(out, entry);
    return out;
}

} // namespace FrameEncoding
