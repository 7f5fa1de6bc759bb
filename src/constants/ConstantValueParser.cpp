#include "constants/ConstantValueParser.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

ParsedValue refused(const QString& reason)
{
    ParsedValue result;
    result.reason = reason;
    return result;
}

// The text in the form from_chars reads ("-12.5e3"), or empty when it is not a number.
std::string canonicalNumber(const QString& text)
{
    std::string out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-'))
            out += '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool separatorSeen = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            out += char(c.unicode());
            ++mantissaDigits;
        } else if ((c == QLatin1Char(',') || c == QLatin1Char('.')) && !separatorSeen) {
            out += '.';
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return {};
    if (i < n && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        out += 'e';
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            out += char(text[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        for (; i < n && isDigit(text[i]); ++i) {
            out += char(text[i].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return {};
    }
    if (i != n)
        return {};
    return out;
}

// Whether the number in canonical form ("-0.00125e-40") is below 1 in magnitude. Only asked
// for a number out of a float's range, which is either beyond its largest value or below its
// smallest; never for a zero, which is in range whatever its exponent.
bool isTiny(const std::string& number)
{
    // The power of ten of the first non-zero digit of the mantissa.
    long long magnitude = 0;
    long long zerosAfterSeparator = 0;
    bool separatorSeen = false;
    bool leadSeen = false;
    std::size_t i = number.front() == '-' ? 1 : 0;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        const char c = number[i];
        if (c == '.') {
            separatorSeen = true;
        } else if (!leadSeen && c != '0') {
            leadSeen = true;
            magnitude = separatorSeen ? -(zerosAfterSeparator + 1) : 0;
        } else if (!leadSeen) {
            zerosAfterSeparator += separatorSeen ? 1 : 0;
        } else if (!separatorSeen) {
            ++magnitude;
        }
    }
    if (i < number.size()) {
        ++i;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+'))
            ++i;
        // Saturates far beyond any float's exponent, however many digits were typed.
        long long exponent = 0;
        for (; i < number.size(); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1000000000LL);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude < 0;
}

// The float nearest to a number below 1 that the float reader took as out of range: zero
// (with the number's sign) when it rounds to zero, and should a reader refuse an inexact
// subnormal, as C libraries may, the float nearest to the number's double.
float tinyValue(const std::string& number)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc() && end == number.data() + number.size())
        return float(value);
    return number.front() == '-' ? -0.0f : 0.0f;
}

} // namespace

ParsedValue ParseConstantValue(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QString quoted = QLatin1Char('"') + text + QLatin1Char('"');
    if (trimmed.isEmpty())
        return refused(QStringLiteral("no value was typed."));

    const std::string number = canonicalNumber(trimmed);
    if (number.empty())
        return refused(quoted + QStringLiteral(" is not a number."));

    float value = 0.0f;
    const char* first = number.data();
    const char* last = first + number.size();
    const auto [end, error] = std::from_chars(first, last, value);
    // The reader refuses a value that rounds to zero as out of range too: that one is sent as
    // its rounded value, as any other; only a value beyond the largest float is refused.
    if (error == std::errc::result_out_of_range && isTiny(number))
        value = tinyValue(number);
    else if (error == std::errc::result_out_of_range)
        return refused(quoted + QStringLiteral(" is outside the range of a 32-bit float."));
    else if (error != std::errc() || end != last)
        return refused(quoted + QStringLiteral(" is not a number."));

    ParsedValue result;
    result.ok = true;
    result.value = value;
    return result;
}
