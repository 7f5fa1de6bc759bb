#include "constants/ConstantValueText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void dropTrailingZeros(std::string& digits)
{
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

} // namespace

QString ConstantValueText(float x)
{
    if (std::isnan(x))
        return QStringLiteral("NaN");
    if (std::isinf(x))
        return x > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (x == 0.0f)
        return QStringLiteral("0");

    // Seven significant digits, rounded on the exact value: "d.dddddde+XX". The form is
    // chosen on the rounded value, so 9999999.6 becomes 1E+07 rather than "10000000".
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(double(x)),
                                      std::chars_format::scientific, 6);
    const std::string scientific(buffer, result.ptr);
    const std::size_t ePos = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, ePos - 2);
    const int exponent = std::atoi(scientific.c_str() + ePos + 1);
    dropTrailingZeros(digits);

    std::string text = x < 0 ? "-" : "";
    if (exponent >= 7 || exponent < -4) {
        text += digits.substr(0, 1);
        // Appended piece by piece: g++ 12 at -O2 and above warns (-Wrestrict) about
        // "literal" + std::string&&, wrongly.
        if (digits.size() > 1) {
            text += ',';
            text.append(digits, 1);
        }
        text += exponent < 0 ? "E-" : "E+";
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            text += "0";
        text += std::to_string(magnitude);
    } else if (exponent >= 0) {
        const auto integerDigits = std::size_t(exponent) + 1;
        if (digits.size() <= integerDigits) {
            text += digits + std::string(integerDigits - digits.size(), '0');
        } else {
            text += digits.substr(0, integerDigits) + "," + digits.substr(integerDigits);
        }
    } else {
        text += "0,";
        text.append(std::size_t(-exponent - 1), '0');
        text += digits;
    }

    QString out = QString::fromLatin1(text.data(), qsizetype(text.size()));
    out.remove(QLatin1Char('#'));
    return out;
}
