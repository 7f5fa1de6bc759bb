#include "record/RecordingFormat.h"

#include "protocol/MeasurementNames.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <system_error>

namespace RecordingFormat {

namespace {

constexpr std::uint32_t QuietNan = 0x7FC00000u;
constexpr std::uint32_t NegativeQuietNan = 0xFFC00000u;
constexpr int MaxValues = 255;
constexpr int CValues = 8;
// Beyond thirty years a time is no recording's.
constexpr double MaxSeconds = 1e9;

bool isNanBits(std::uint32_t bits)
{
    return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0;
}

QByteArray quoted(const QByteArray& text)
{
    return '"' + text.left(40) + '"';
}

// Bits of the NaN texts the writer produces; nullopt for any other text.
std::optional<std::uint32_t> nanBits(const QByteArray& text)
{
    if (text == "nan")
        return QuietNan;
    if (text == "-nan")
        return NegativeQuietNan;
    if (!text.startsWith("nan(0x") || !text.endsWith(')') || text.size() != 15)
        return std::nullopt;
    std::uint32_t bits = 0;
    const char* first = text.constData() + 6;
    const auto [end, ec] = std::from_chars(first, first + 8, bits, 16);
    if (ec != std::errc() || end != first + 8 || !isNanBits(bits))
        return std::nullopt;
    return bits;
}

// A NaN written by hand or by another tool ("NaN", "+nan"): quiet, with the sign it shows.
std::optional<float> plainNan(const QByteArray& text)
{
    const QByteArray lower = text.toLower();
    if (lower == "nan" || lower == "+nan")
        return std::bit_cast<float>(QuietNan);
    if (lower == "-nan")
        return std::bit_cast<float>(NegativeQuietNan);
    return std::nullopt;
}

// The value of one field, or an error text. An empty field is how pandas and spreadsheets
// write a missing value back (the writer's "nan"): it reads as NaN.
std::optional<float> parseFloat(const QByteArray& text, int index, QString& error)
{
    if (text.isEmpty())
        return std::bit_cast<float>(QuietNan);
    if (const auto bits = nanBits(text))
        return std::bit_cast<float>(*bits);
    if (const auto nan = plainNan(text))
        return *nan;
    float value = 0.0f;
    const char* first = text.constData();
    const char* last = first + text.size();
    if (*first == '+' && text.size() > 1 && first[1] != '-')
        ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        error = QStringLiteral("value %1 %2 is out of the range of a 32-bit float")
                    .arg(index)
                    .arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    if (ec != std::errc() || end != last || std::isnan(value)) {
        error = QStringLiteral("value %1 %2 is not a number")
                    .arg(index)
                    .arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    return value;
}

// Seconds in any plain decimal or exponent form ("0.033012", "0.033", "2", "1e-06"), as
// spreadsheets and pandas write them back, rounded to whole microseconds.
std::optional<qint64> parseTime(const QByteArray& text, QString& error)
{
    double seconds = 0;
    const char* first = text.constData();
    const char* last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, seconds);
    if (text.isEmpty() || ec != std::errc() || end != last || !std::isfinite(seconds) ||
        seconds > MaxSeconds) {
        error = QStringLiteral("time %1 is not a number of seconds")
                    .arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    if (seconds < 0 || std::signbit(seconds)) {
        error =
            QStringLiteral("time %1 is before the start").arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    return std::llround(seconds * 1e6);
}

} // namespace

namespace {

// "time,kind" and the names of the kind's floats.
QByteArray columnsOf(char kind)
{
    QByteArray row("time,kind");
    for (int k = 1; k <= namedValues(kind); ++k)
        row += ',' + valueName(kind, k);
    return row;
}

} // namespace

QByteArray headerRow()
{
    return columnsOf('F');
}

bool isHeaderRow(const QByteArray& line)
{
    QByteArray text = line;
    while (text.endsWith(','))
        text.chop(1);
    return text == headerRow();
}

QByteArray headerLines(const Info& info)
{
    QByteArray out = "# Skyvane recording started " + info.start.toString(Qt::ISODate).toUtf8() +
                     ", port " + info.port.toUtf8() + ", " + QByteArray::number(info.baud) +
                     " baud, polling " + QByteArray::number(info.pollMs) + " ms\n";
    return out + columnLines();
}

QByteArray columnLines()
{
    QByteArray out;
    for (char kind : {'G', 'R', 'C'})
        out += "# " + QByteArray(1, kind) + " columns: " + columnsOf(kind) + '\n';
    return out + headerRow() + '\n';
}

QByteArray floatText(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    if (isNanBits(bits)) {
        if (bits == QuietNan)
            return "nan";
        if (bits == NegativeQuietNan)
            return "-nan";
        return "nan(0x" + QByteArray::number(bits, 16).rightJustified(8, '0') + ')';
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
    return QByteArray(buffer, result.ptr - buffer);
}

QByteArray timeText(qint64 microseconds)
{
    return QByteArray::number(microseconds / 1000000) + '.' +
           QByteArray::number(microseconds % 1000000).rightJustified(6, '0');
}

QByteArray row(qint64 microseconds, char kind, const QList<float>& values)
{
    QByteArray out = timeText(microseconds);
    out.reserve(out.size() + 3 + 16 * values.size());
    out += ',';
    out += kind;
    for (float v : values) {
        out += ',';
        out += floatText(v);
    }
    out += '\n';
    return out;
}

ParsedRow parseRow(const QByteArray& line)
{
    ParsedRow parsed;
    QList<QByteArray> fields = line.split(',');
    const qsizetype written = fields.size();
    // A spreadsheet writes every row as wide as its widest, pandas fills short rows up to the
    // header: the empty fields at the end were never values.
    while (fields.size() > 1 && fields.last().isEmpty())
        fields.removeLast();
    const auto time = parseTime(fields.first(), parsed.error);
    if (!time)
        return parsed;
    parsed.microseconds = *time;
    if (fields.size() < 2) {
        parsed.error = QStringLiteral("no frame letter after the time");
        return parsed;
    }
    const QByteArray kind = fields.at(1);
    if (kind.size() != 1 || !QByteArray("FGRC").contains(kind.at(0))) {
        parsed.error = QStringLiteral("frame letter %1 is not F, G, R or C")
                           .arg(QString::fromLatin1(quoted(kind)));
        return parsed;
    }
    // A C frame whose last values were NaN: their empty fields were taken for padding.
    if (kind.at(0) == 'C' && written >= CValues + 2) {
        while (fields.size() < CValues + 2)
            fields.append(QByteArray());
    }
    const qsizetype count = fields.size() - 2;
    if (kind.at(0) == 'C' && count != CValues) {
        parsed.error = QStringLiteral("a C frame has 8 values, not %1").arg(count);
        return parsed;
    }
    if (count > MaxValues) {
        parsed.error = QStringLiteral("%1 values, more than a frame holds (255)").arg(count);
        return parsed;
    }
    parsed.measurement.kind = kind.at(0);
    parsed.measurement.values.reserve(count);
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const auto value = parseFloat(fields.at(i), int(i - 1), parsed.error);
        if (!value)
            return parsed;
        parsed.measurement.values.append(*value);
    }
    return parsed;
}

} // namespace RecordingFormat
