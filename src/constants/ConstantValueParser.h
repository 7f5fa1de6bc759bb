#pragma once

#include <QString>

// Outcome of reading a typed constant value: the float, or why the text is refused.
struct ParsedValue
{
    bool ok = false;
    float value = 0.0f;
    // A sentence for the log when not ok, e.g. "\"abc\" is not a number."
    QString reason;
};

// Reads a decimal number strictly: surrounding spaces, an optional sign, digits with at most
// one decimal separator ("," or "."), and an optional exponent ("E" or "e", optional sign,
// digits). Anything else, including thousands separators, is refused, as is a value beyond the
// largest 32-bit float. The value is rounded to the nearest float, so a value too small for one
// gives zero or the nearest subnormal ("1E-50" gives 0, "-1E-50" gives -0).
ParsedValue ParseConstantValue(const QString& text);
