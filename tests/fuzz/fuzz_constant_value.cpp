// The constants value parser on any typed text, checked against an independent reading of the
// same grammar; and the list's value text of any float read back by the parser.
//
// Input: the whole input is the typed text (UTF-8). Its first 4 bytes, when there are 4, are
// also taken as a float (least significant byte first) for the text round trip.

#include "FuzzCheck.h"

#include "constants/ConstantValueParser.h"
#include "constants/ConstantValueText.h"

#include <QRegularExpression>
#include <QString>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const QString NotANumber = QStringLiteral(" is not a number.");
const QString OutOfRange = QStringLiteral(" is outside the range of a 32-bit float.");

// Sign, digits with at most one separator (at least one digit), optional exponent.
bool wellFormed(const QString& trimmed)
{
    static const QRegularExpression grammar(
        QStringLiteral("^[+-]?([0-9]+[.,]?[0-9]*|[.,][0-9]+)([eE][+-]?[0-9]+)?$"));
    return grammar.match(trimmed).hasMatch();
}

void checkParser(const QString& text)
{
    const ParsedValue parsed = ParseConstantValue(text);
    const QString trimmed = text.trimmed();
    const QString quoted = QLatin1Char('"') + text + QLatin1Char('"');

    if (trimmed.isEmpty()) {
        fuzzCheck(!parsed.ok && parsed.reason == QLatin1String("no value was typed."),
                  "an empty text is refused as no value");
        return;
    }
    if (!wellFormed(trimmed)) {
        fuzzCheck(!parsed.ok && parsed.reason == quoted + NotANumber,
                  "a text outside the grammar is refused as not a number");
        return;
    }

    // The C library's reading of the same number, rounded to nearest as well.
    std::string number = trimmed.toStdString();
    for (char& c : number) {
        if (c == ',')
            c = '.';
    }
    const float expected = std::strtof(number.c_str(), nullptr);

    if (std::isinf(expected)) {
        fuzzCheck(!parsed.ok && parsed.reason == quoted + OutOfRange,
                  "a value beyond the largest float is refused as out of range");
        return;
    }
    // Values too small for a float are taken as rounded (zero or a subnormal), as any other.
    fuzzCheck(parsed.ok && std::isfinite(parsed.value) && parsed.reason.isEmpty(),
              "a well-formed number that is not too large is accepted");
    fuzzCheck(std::bit_cast<std::uint32_t>(parsed.value) == std::bit_cast<std::uint32_t>(expected),
              "an accepted value is the nearest float");
}

// The list shows 7 significant digits, so a float does not come back bit for bit; the text read
// back and shown again must be the same text, and the value close to the float shown.
void checkTextRoundTrip(float x)
{
    const QString shown = ConstantValueText(x);
    fuzzCheck(!shown.contains(QLatin1Char('.')) && shown.count(QLatin1Char(',')) <= 1,
              "value text has at most one decimal comma");
    if (!std::isfinite(x)) {
        fuzzCheck(!ParseConstantValue(shown).ok, "a non-finite value text is not read back");
        return;
    }
    const ParsedValue back = ParseConstantValue(shown);
    fuzzCheck(back.ok, "a finite value text is read back");
    fuzzCheck(ConstantValueText(back.value) == shown, "a value text read back shows the same");
    const double error = std::fabs(double(back.value) - double(x));
    // The text is within half a unit of the 7th digit of x, and the float read back no farther
    // from the text than x is.
    fuzzCheck(error <= 1e-6 * std::fabs(double(x)),
              "a value text read back is within one unit of its last digit");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    checkParser(QString::fromUtf8(text, qsizetype(size)));
    if (size >= 4) {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= std::uint32_t(data[i]) << (8 * i);
        checkTextRoundTrip(std::bit_cast<float>(bits));
    }
    return 0;
}
