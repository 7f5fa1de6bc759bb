#include "protocol/Floats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool hasAsciiLetter(const QByteArray& text)
{
    for (char c : text) {
        const char folded = foldAscii(c);
        if (folded >= 'a' && folded <= 'z')
            return true;
    }
    return false;
}

} // namespace

float BytesToSingle(QByteArrayView fourBytes)
{
    std::uint32_t bits = 0;
    const qsizetype count = std::min<qsizetype>(fourBytes.size(), 4);
    for (qsizetype i = 0; i < count; ++i)
        bits |= std::uint32_t(std::uint8_t(fourBytes[i])) << (8 * i);
    return std::bit_cast<float>(bits);
}

QByteArray SingleToBytes(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((bits >> (8 * i)) & 0xFF);
    return bytes;
}

int FindText(const QByteArray& needle, const QByteArray& haystack)
{
    if (haystack.isEmpty())
        return 0;
    // Markers such as "#" have no letter case: the plain search is much faster on a long
    // receive buffer.
    if (!hasAsciiLetter(needle))
        return int(haystack.indexOf(needle)) + 1;
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype start = 0; start <= last; ++start) {
        qsizetype i = 0;
        while (i < needle.size() && foldAscii(haystack[start + i]) == foldAscii(needle[i]))
            ++i;
        if (i == needle.size())
            return int(start) + 1;
    }
    return 0;
}

float ReadFloatAt(const QByteArray& payload, int position)
{
    // On the stack: every frame reads a score of these, and a heap copy each time showed.
    char bytes[4] = {};
    for (int i = 0; i < 4; ++i) {
        const qsizetype index = qsizetype(position) - 1 + i;
        if (index >= 0 && index < payload.size())
            bytes[i] = payload[index];
    }
    return SanitisedFloat(BytesToSingle(QByteArrayView(bytes, 4)));
}

float SanitisedFloat(float value)
{
    if (!std::isfinite(value))
        return 0.0f;
    if (std::fabs(value) > 1e9f)
        return 0.0f;
    return value;
}
