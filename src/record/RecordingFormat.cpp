#include "record/RecordingFormat.h"

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

// The value of one field, or an error text.
std::optional<float> parseFloat(const QByteArray& text, int index, QString& error)
{
    if (const auto bits = nanBits(text))
        return std::bit_cast<float>(*bits);
    float value = 0.0f;
    const char* first = text.constData();
    const char* last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        error = QStringLiteral("value %1 %2 is out of the range of a 32-bit float")
                    .arg(index)
                    .arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    if (text.isEmpty() || ec != std::errc() || end != last || std::isnan(value)) {
        error = QStringLiteral("value %1 %2 is not a number")
                    .arg(index)
                    .arg(QString::fromLatin1(quoted(text)));
        return std::nullopt;
    }
    return value;
}

std::optional<qint64> parseTime(const QByteArray& text)
{
    const qsizetype dot = text.indexOf('.');
    if (dot < 1 || dot > 12 || text.size() != dot + 7)
        return std::nullopt;
    qint64 microseconds = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == dot)
            continue;
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return std::nullopt;
        microseconds = microseconds * 10 + (c - '0');
    }
    return microseconds;
}

} // namespace

QByteArray headerRow()
{
    QByteArray row("time,kind,phi,theta,psi");
    for (int k = 4; k <= 13; ++k)
        row += ",f" + QByteArray::number(k);
    row += ",hx,hy,hz,code,f18";
    return row;
}

QByteArray headerLines(const Info& info)
{
    QByteArray out = "# Skyvane recording started " + info.start.toString(Qt::ISODate).toUtf8() +
                     ", port " + info.port.toUtf8() + ", " + QByteArray::number(info.baud) +
                     " baud, polling " + QByteArray::number(info.pollMs) + " ms\n";
    out += "# G columns: time,kind,phi,theta,psi,value1,value2,value3,value4\n";
    out += "# R columns: time,kind,phi,theta,psi,hx,hy,hz\n";
    out += "# C columns: time,kind,f1,f2,f3,f4,f5,f6,f7,value\n";
    out += headerRow() + '\n';
    return out;
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
    const QList<QByteArray> fields = line.split(',');
    const auto time = parseTime(fields.first());
    if (!time) {
        parsed.error = QStringLiteral("time %1 is not seconds with 6 decimals")
                           .arg(QString::fromLatin1(quoted(fields.first())));
        return parsed;
    }
    parsed.microseconds = *time;
    if (fields.size() < 2) {
        parsed.error = QStringLiteral("no frame letter after the time");
        return parsed;
    }
    const QByteArray& kind = fields.at(1);
    if (kind.size() != 1 || !QByteArray("FGRC").contains(kind.at(0))) {
        parsed.error = QStringLiteral("frame letter %1 is not F, G, R or C")
                           .arg(QString::fromLatin1(quoted(kind)));
        return parsed;
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
