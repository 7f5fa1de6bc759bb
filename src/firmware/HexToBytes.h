#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Turns a text of hexadecimal digits (either case) into bytes, one byte per pair of digits.
// Nothing is validated: a character outside 0-9/A-F gives whatever its code yields, and a
// lone last digit is left out.
QByteArray HexToBytes(QByteArrayView text);
