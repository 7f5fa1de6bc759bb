#include "constants/ConstantsTableFile.h"

#include "protocol/Floats.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace ConstantsTableFile {

namespace {

// Indices go out in the update command's two bytes.
constexpr int MaxIndex = 65535;

QString quoted(const QByteArray& text)
{
    return QLatin1Char('"') + QString::fromUtf8(text) + QLatin1Char('"');
}

QString lineError(int line, const QString& what)
{
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

bool allDigits(const QByteArray& text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// A spreadsheet writes every row as wide as its widest (the comment line, cut at its commas).
QList<QByteArray> fieldsOf(const QByteArray& line)
{
    QList<QByteArray> fields = line.split(',');
    while (fields.size() > 2 && fields.last().trimmed().isEmpty())
        fields.removeLast();
    return fields;
}

bool isHeader(const QList<QByteArray>& fields)
{
    return fields.size() == 2 && fields[0].trimmed() == "index" && fields[1].trimmed() == "value";
}

} // namespace

QByteArray headerRow()
{
    return QByteArrayLiteral("index,value");
}

QList<float> tableOf(const QByteArray& payload)
{
    QList<float> table;
    table.reserve(payload.size() / 4);
    for (qsizetype i = 0; i + 4 <= payload.size(); i += 4)
        table.append(BytesToSingle(payload.mid(i, 4)));
    return table;
}

QString valueText(float value)
{
    // to_chars ignores the C and Qt locales alike: the file always has a decimal point.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QByteArray exportTable(const QList<float>& table, const QDateTime& readAt, const QString& port)
{
    QByteArray out = "# Skyvane constants, " +
                     readAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + ", port " +
                     port.toUtf8() + "\n" + headerRow() + '\n';
    for (qsizetype i = 0; i < table.size(); ++i)
        out += QByteArray::number(i) + ',' + valueText(table[i]).toLatin1() + '\n';
    return out;
}

Parsed parse(const QByteArray& content)
{
    Parsed result;
    const QByteArray bom("\xEF\xBB\xBF");
    const QList<QByteArray> lines =
        (content.startsWith(bom) ? content.mid(bom.size()) : content).split('\n');
    bool headerAllowed = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = int(i) + 1;
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('#') || line.trimmed().isEmpty())
            continue;

        const QList<QByteArray> fields = fieldsOf(line);
        const bool header = headerAllowed && isHeader(fields);
        headerAllowed = false;
        if (header)
            continue;
        if (fields.size() != 2) {
            result.error =
                lineError(lineNumber, quoted(line) + QStringLiteral(" is not an index and a "
                                                                    "value separated by a comma."));
            return result;
        }
        const QByteArray indexText = fields[0].trimmed();
        const QByteArray valueField = fields[1].trimmed();

        const qsizetype expected = result.table.size();
        if (!allDigits(indexText) || indexText.size() > 5) {
            result.error =
                lineError(lineNumber, quoted(indexText) + QStringLiteral(" is not an index."));
            return result;
        }
        const int index = indexText.toInt();
        if (index != expected) {
            result.error = lineError(lineNumber, QStringLiteral("index %1 where %2 was expected "
                                                                "(entries run 0, 1, 2, ... in "
                                                                "order).")
                                                     .arg(index)
                                                     .arg(expected));
            return result;
        }
        if (index > MaxIndex) {
            result.error = lineError(lineNumber, QStringLiteral("index %1 is beyond the last "
                                                                "the board can take (65535).")
                                                     .arg(index));
            return result;
        }

        float value = 0.0f;
        const char* first = valueField.constData();
        const char* last = first + valueField.size();
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc::result_out_of_range) {
            result.error = lineError(lineNumber, quoted(valueField) +
                                                     QStringLiteral(" is outside the range of a "
                                                                    "32-bit float."));
            return result;
        }
        if (valueField.isEmpty() || error != std::errc() || end != last) {
            result.error =
                lineError(lineNumber, quoted(valueField) + QStringLiteral(" is not a number."));
            return result;
        }
        result.table.append(value);
    }
    if (result.table.isEmpty()) {
        result.error = QStringLiteral("the file holds no constants.");
        return result;
    }
    result.ok = true;
    return result;
}

bool sameValue(float a, float b)
{
    if (std::isnan(a) && std::isnan(b))
        return true;
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

Compared diff(const QList<float>& board, const QList<float>& file)
{
    Compared result;
    if (board.size() != file.size()) {
        result.error = QStringLiteral("the file holds %1 constants, the board %2.")
                           .arg(file.size())
                           .arg(board.size());
        return result;
    }
    for (qsizetype i = 0; i < board.size(); ++i) {
        if (!sameValue(board[i], file[i]))
            result.differences.append({int(i), board[i], file[i]});
    }
    result.ok = true;
    return result;
}

} // namespace ConstantsTableFile
