#pragma once

#include <QChar>
#include <QString>

// The value rounded to the given number of decimals, halves to the even neighbour (decided on
// the exact binary value, so 0.125 gives 0.12 and 0.375 gives 0.38), written as plain decimal
// text with the given separator: no trailing zeros, a leading zero before the separator, never
// "-0". Decimals are taken within 0 to 30. Not-a-number and infinities read "NaN", "Infinity" and
// "-Infinity".
QString RoundedText(double value, int decimals, QChar decimalSeparator);
