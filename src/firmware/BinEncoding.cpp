#include "firmware/BinEncoding.h"

#include <QFile>

namespace {

constexpr quint32 EncodingConstant = 21394;

} // namespace

QByteArray EncodeBin(const QByteArray& input)
{
    const qsizetype n = input.size();
    if (n < 4)
        return {};
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n - 4; ++i)
        out[i] =
            static_cast<char>(static_cast<unsigned char>(input[i]) - (EncodingConstant & 0xFF));
    quint32 last = 0;
    for (int k = 3; k >= 0; --k)
        last = last << 8 | static_cast<unsigned char>(input[n - 4 + k]);
    last -= EncodingConstant;
    for (int k = 0; k < 4; ++k)
        out[n - 4 + k] = static_cast<char>(last >> (8 * k) & 0xFF);
    return out;
}

QString BinPathFor(const QString& inputPath)
{
    return inputPath + QStringLiteral(".bin");
}

BinWrite WriteBinFile(const QString& inputPath)
{
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly))
        return BinWrite::InputUnreadable;
    const QByteArray content = input.readAll();
    input.close();
    QFile output(BinPathFor(inputPath));
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return BinWrite::OutputUnwritable;
    const QByteArray encoded = EncodeBin(content);
    if (output.write(encoded) != encoded.size() || !output.flush())
        return BinWrite::OutputUnwritable;
    return BinWrite::Written;
}
