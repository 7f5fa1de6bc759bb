#include "protocol/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

QString RoundedText(double value, int decimals, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    decimals = std::clamp(decimals, 0, 30);

    // Fixed notation of to_chars is exact and rounds ties on the exact binary value to even.
    // 310 integer digits cover the largest double.
    std::string text(400, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, decimals);
    text.resize(std::size_t(result.ptr - text.data()));

    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    // Drop the sign of a negative zero in place (assigning a literal here trips g++ 12's false
    // -Wrestrict at -O2).
    if (text == "-0")
        text.erase(0, 1);

    QString out = QString::fromLatin1(text.data(), qsizetype(text.size()));
    out.replace(QLatin1Char('.'), decimalSeparator);
    return out;
}
