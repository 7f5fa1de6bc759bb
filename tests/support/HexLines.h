#pragma once

#include <QByteArray>

#include <algorithm>

// Builds Intel HEX data lines (16 bytes each, with their checksums) for test files.
inline QByteArray HexRecord(int type, int offset, const QByteArray& data)
{
    QByteArray record;
    record.append(char(data.size()));
    record.append(char(offset >> 8 & 0xFF));
    record.append(char(offset & 0xFF));
    record.append(char(type));
    record.append(data);
    unsigned sum = 0;
    for (char c : record)
        sum += quint8(c);
    record.append(char((0x100 - (sum & 0xFF)) & 0xFF));
    return ":" + record.toHex().toUpper() + "\r\n";
}

// Data records covering the byte addresses [firstByte, firstByte + data.size()) in 16-byte
// lines (all below 0x10000).
inline QByteArray HexData(int firstByte, const QByteArray& data)
{
    QByteArray lines;
    for (int at = 0; at < data.size(); at += 16)
        lines += HexRecord(0, firstByte + at, data.mid(at, 16));
    return lines;
}

inline QByteArray HexEnd()
{
    return ":00000001FF\r\n";
}

// Two stretches of code: word addresses 0 to 0x2FF and 0x800 to 0x87F, every byte different
// from its neighbours.
inline QByteArray TwoSegmentFile()
{
    QByteArray low, high;
    for (int i = 0; i < 0x600; ++i)
        low.append(char((i * 7 + i / 256) & 0xFF));
    for (int i = 0; i < 0x100; ++i)
        high.append(char(0xFF - i));
    return HexData(0x0000, low) + HexData(0x1000, high) + HexEnd();
}

// A firmware of the given number of instructions from word address 0 on, 16 bytes a line, with
// extended address records every 64 KiB (the size of a real package for benchmarks).
inline QByteArray FirmwareText(int instructions)
{
    QByteArray text;
    int upper = -1;
    const int bytes = instructions * 4;
    for (int at = 0; at < bytes; at += 16) {
        if (at >> 16 != upper) {
            upper = at >> 16;
            QByteArray address;
            address.append(char(upper >> 8 & 0xFF));
            address.append(char(upper & 0xFF));
            text += HexRecord(4, 0, address);
        }
        QByteArray data;
        for (int k = at; k < std::min(at + 16, bytes); ++k)
            data.append(k % 4 == 3 ? '\0' : char((k * 31 + k / 977) & 0xFF));
        text += HexRecord(0, at & 0xFFFF, data);
    }
    return text + HexEnd();
}
