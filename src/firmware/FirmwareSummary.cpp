#include "firmware/FirmwareSummary.h"

#include "firmware/FirmwareImage.h"
#include "firmware/RowPackets.h"

namespace {

// A file with many gaps would give a line no one reads to its end.
constexpr std::size_t ShownRanges = 8;

QString WordText(qint64 word)
{
    return QStringLiteral("0x") +
           QString::number(word, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

QString RangeText(const WordRange& range)
{
    if (range.first == range.last)
        return WordText(range.first);
    return WordText(range.first) + QLatin1Char('-') + WordText(range.last);
}

} // namespace

int RowsToProgram(const FirmwareLoad& load)
{
    return static_cast<int>(
        RowsToSend(load.image.LowestAddress, load.image.EndIndex, FirmwareImage::LastIndex).size());
}

QStringList FirmwareSummary(const QString& path, const FirmwareLoad& load)
{
    QStringList ranges;
    for (std::size_t i = 0; i < load.dataRanges.size() && i < ShownRanges; ++i)
        ranges.append(RangeText(load.dataRanges[i]));
    if (load.dataRanges.size() > ShownRanges)
        ranges.append(QStringLiteral("and %1 more").arg(load.dataRanges.size() - ShownRanges));
    const int rows = RowsToProgram(load);
    QStringList lines{QStringLiteral("Firmware file %1: %2 %3 to program, data at words %4.")
                          .arg(path, QString::number(rows),
                               rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
                               ranges.join(QStringLiteral(", ")))};
    for (const LeftOutWords& left : load.leftOut) {
        const qint64 words = left.range.words();
        lines.append(QStringLiteral("Firmware file %1: %2 %3 at %4 (%5) %6 not programmed.")
                         .arg(path, QString::number(words),
                              words == 1 ? QStringLiteral("word") : QStringLiteral("words"),
                              RangeText(left.range), left.memory,
                              words == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
    return lines;
}
