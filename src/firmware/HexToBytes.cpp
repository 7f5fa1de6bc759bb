#include "firmware/HexToBytes.h"

namespace {

int DigitValue(char c)
{
    const int code = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return code < 58 ? code - 48 : code - 55;
}

} // namespace

QByteArray HexToBytes(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2)
        bytes.append(
            static_cast<char>((DigitValue(text[i]) * 16 + DigitValue(text[i + 1])) & 0xFF));
    return bytes;
}
