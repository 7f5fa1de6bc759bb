#pragma once

#include <QByteArray>
#include <QString>

#include <bit>
#include <cstdint>
#include <vector>

// Wire bytes written as hex text in tests and benchmarks: hex("46 00 80 3F").
inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// The bytes as spaced hex ("46 00 80 3f"), for messages about what came on the wire.
inline QString hexDump(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// The float at byte `offset` of `bytes`, little-endian binary32 as the board sends it.
inline float floatAt(const QByteArray& bytes, qsizetype offset)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    return std::bit_cast<float>(bits);
}

inline QByteArray floatBytes(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    QByteArray out;
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
    return out;
}

// The floats one after another, as in a frame's payload.
inline QByteArray floatsBytes(const std::vector<float>& values)
{
    QByteArray out;
    for (float v : values)
        out += floatBytes(v);
    return out;
}

// A frame as the board sends it: its letter, the number of floats, the floats ("F", 18, ...).
inline QByteArray countedFrame(char kind, const std::vector<float>& values)
{
    return QByteArray(1, kind) + char(values.size()) + floatsBytes(values);
}
