#include "record/RecordingReader.h"

#include "record/RecordingFormat.h"

#include <QFile>

namespace {

QString atLine(qsizetype number, const QString& what)
{
    return QStringLiteral("line %1: %2").arg(number).arg(what);
}

QByteArray chopCommas(QByteArray text)
{
    while (text.endsWith(','))
        text.chop(1);
    return text;
}

} // namespace

RecordingReader::Result RecordingReader::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Result result;
        result.error = QStringLiteral("cannot read: %1").arg(file.errorString());
        return result;
    }
    Result result = parse(file.readAll());
    result.recording.path = path;
    return result;
}

RecordingReader::Result RecordingReader::parse(const QByteArray& contents)
{
    Result result;
    // Spreadsheets that write UTF-8 put a byte order mark first.
    const QByteArray bom("\xEF\xBB\xBF");
    QList<QByteArray> lines =
        (contents.startsWith(bom) ? contents.mid(bom.size()) : contents).split('\n');
    // After the last line end comes either nothing or a line cut short: both are dropped.
    lines.removeLast();

    bool headerSeen = false;
    qint64 previous = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype number = i + 1;
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('#')) {
            // A spreadsheet splits the line at its commas and pads it with empty fields.
            if (i == 0)
                result.recording.description = QString::fromUtf8(chopCommas(line.mid(1)).trimmed());
            continue;
        }
        if (!headerSeen) {
            if (!RecordingFormat::isHeaderRow(line)) {
                result.error = atLine(number, QStringLiteral("expected the header row \"%1\"")
                                                  .arg(RecordingFormat::headerRow()));
                return result;
            }
            headerSeen = true;
            continue;
        }
        RecordingFormat::ParsedRow row = RecordingFormat::parseRow(line);
        if (row.error.isEmpty() && row.microseconds < previous)
            row.error = QStringLiteral("time %1 is before the previous row's")
                            .arg(QString::fromLatin1(RecordingFormat::timeText(row.microseconds)));
        if (!row.error.isEmpty()) {
            result.error = atLine(number, row.error);
            result.recording.frames.clear();
            return result;
        }
        previous = row.microseconds;
        result.recording.frames.append({row.microseconds, std::move(row.measurement)});
    }
    if (!headerSeen)
        result.error = atLine(lines.size() + 1, QStringLiteral("no header row"));
    return result;
}

QString RecordingReader::refusalMessage(const QString& path, const QString& error)
{
    return QStringLiteral("Replay refused: %1: %2").arg(path, error);
}
