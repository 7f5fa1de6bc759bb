#pragma once

#include <QByteArray>

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
