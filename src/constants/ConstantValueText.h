#pragma once

#include <QString>

// A constant's value as the list shows it: at most 7 significant digits, a decimal comma
// whatever the locale, no thousands separator. Plain form when the rounded value lies in
// 0.0001 <= |x| < 10 000 000 ("0,5", "-12,25", "1234567", "0,0001"), exponent form otherwise
// ("1,234568E+07", "1E-05": mantissa, "E", sign, at least two exponent digits). Zero is "0"
// (also for -0); non-finite values read "NaN", "Infinity", "-Infinity".
QString ConstantValueText(float x);
