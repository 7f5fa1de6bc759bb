#pragma once

#include <QByteArray>
#include <QString>

// The encoded copy of a file: every byte but the last four lowered by 0x92, the last four
// taken as a little-endian 32-bit value lowered by 21394 (modulo 2^32). Inputs shorter than
// 4 bytes give an empty copy.
QByteArray EncodeBin(const QByteArray& input);

// The name of the encoded copy: the whole input name with ".bin" appended.
QString BinPathFor(const QString& inputPath);

enum class BinWrite
{
    Written,
    InputUnreadable,
    OutputUnwritable
};

// Reads the file at inputPath and writes its encoded copy next to it, replacing any older,
// longer copy completely.
BinWrite WriteBinFile(const QString& inputPath);
