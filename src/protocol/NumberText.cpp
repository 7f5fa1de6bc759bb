#include "protocol/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

QString RoundedText(double value, int decimals, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    decimals = std::clamp(decimals, 0, 30);

    // Fixed notation of to_chars is exact and rounds ties on the exact binary value to even.
    // 310 integer digits cover the largest double. On the stack: the window writes a few of
    // these for every frame.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string_view text(buffer, std::size_t(result.ptr - buffer));

    if (text.find('.') != std::string_view::npos) {
        while (text.back() == '0')
            text.remove_suffix(1);
        if (text.back() == '.')
            text.remove_suffix(1);
    }
    // No sign on a negative zero.
    if (text == "-0")
        text.remove_prefix(1);

    QString out = QString::fromLatin1(text.data(), qsizetype(text.size()));
    out.replace(QLatin1Char('.'), decimalSeparator);
    return out;
}
