#include "constants/ConstantValueParser.h"

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

bool hasNonZeroDigit(const std::string& number)
{
    for (char c : number) {
        if (c == 'e')
            break;
        if (c >= '1' && c <= '9')
            return true;
    }
    return false;
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
    if (error == std::errc::result_out_of_range)
        return refused(quoted + QStringLiteral(" is outside the range of a 32-bit float."));
    if (error != std::errc() || end != last)
        return refused(quoted + QStringLiteral(" is not a number."));
    // An underflow some libraries round to zero without reporting it.
    if (value == 0.0f && hasNonZeroDigit(number))
        return refused(quoted + QStringLiteral(" is outside the range of a 32-bit float."));

    ParsedValue result;
    result.ok = true;
    result.value = value;
    return result;
}
