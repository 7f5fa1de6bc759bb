#include "core/SettingsFormat.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

namespace {

// Calls take(line) for every line of the content (CR LF, CR or LF end a line), without its end.
template <typename Take> void forEachLine(QByteArrayView content, Take take)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        take(content.sliced(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        take(content.sliced(start));
}

// A field's bytes as text: UTF-8, or Latin-1 when they are not valid UTF-8 (a file written in
// an 8-bit code page), so the value survives a round trip. A byte order mark at the field's
// start stays (U+FEFF): dropping it, as QString::fromUtf8 does, would read a written field back
// without it.
QString decodeField(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// Reads one field starting at pos; leaves pos after the comma that ends it (or at the end).
QString readField(QByteArrayView line, qsizetype& pos)
{
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (pos < line.size() && line[pos] == '"') {
        const qsizetype close = line.indexOf('"', pos + 1);
        const qsizetype end = close < 0 ? line.size() : close;
        const QByteArrayView field = line.sliced(pos + 1, end - pos - 1);
        pos = std::min(end + 1, line.size());
        const qsizetype comma = line.indexOf(',', pos);
        pos = comma < 0 ? line.size() : comma + 1;
        return decodeField(field);
    }
    const qsizetype comma = line.indexOf(',', pos);
    const qsizetype end = comma < 0 ? line.size() : comma;
    const QByteArrayView field = line.sliced(pos, end - pos).trimmed();
    pos = comma < 0 ? line.size() : comma + 1;
    return decodeField(field);
}

} // namespace

QList<SettingsEntry> ParseSettings(const QByteArray& content)
{
    QList<SettingsEntry> entries;
    // An editor may start the file with a byte order mark; it belongs to no key.
    const QByteArrayView bom("\xEF\xBB\xBF");
    QByteArrayView text(content);
    if (text.startsWith(bom))
        text = text.sliced(bom.size());
    forEachLine(text, [&entries](QByteArrayView line) {
        if (line.trimmed().isEmpty())
            return;
        qsizetype pos = 0;
        SettingsEntry entry;
        entry.line = line.toByteArray();
        entry.key = readField(line, pos);
        if (pos < line.size())
            entry.value = readField(line, pos);
        entries.append(std::move(entry));
    });
    return entries;
}

namespace {

// A double quote or a line break cannot stand inside a field; writing one would split
// the entry on the next read, so they are left out.
QByteArray fieldText(const QString& text)
{
    return StorableText(text).toUtf8();
}

} // namespace

QByteArray FormatSettings(const QList<SettingsEntry>& entries)
{
    QByteArray out;
    for (const SettingsEntry& e : entries) {
        if (!e.line.isEmpty())
            out += e.line + "\r\n";
        else
            out += '"' + fieldText(e.key) + "\",\"" + fieldText(e.value) + "\"\r\n";
    }
    // A kept first line that starts with a byte order mark would lose it to the reader, which
    // takes a mark at the start for the file's own: give the file one of its own.
    const QByteArray bom("\xEF\xBB\xBF");
    if (out.startsWith(bom))
        out.prepend(bom);
    return out;
}

QString StorableText(const QString& text)
{
    QString stored = text;
    stored.remove(QLatin1Char('"')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return stored;
}

QString LeftOutOfField(const QString& text)
{
    const qsizetype quotes = text.count(QLatin1Char('"'));
    const qsizetype crs = text.count(QLatin1Char('\r'));
    const qsizetype lfs = text.count(QLatin1Char('\n'));
    QStringList parts;
    if (quotes > 0)
        parts.append(QString::number(quotes) + (quotes > 1 ? QStringLiteral(" double quotes")
                                                           : QStringLiteral(" double quote")));
    if (crs > 0)
        parts.append(QStringLiteral("%1 CR").arg(crs));
    if (lfs > 0)
        parts.append(QStringLiteral("%1 LF").arg(lfs));
    if (parts.size() < 2)
        return parts.join(QString());
    const QString last = parts.takeLast();
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString LookupSetting(const QList<SettingsEntry>& entries, const QString& key)
{
    QString result;
    for (const SettingsEntry& e : entries) {
        if (e.key == key)
            result = e.value;
    }
    return result;
}

void AssignSetting(QList<SettingsEntry>& entries, const QString& key, const QString& value)
{
    bool found = false;
    for (SettingsEntry& e : entries) {
        if (e.key == key) {
            e.value = value;
            e.line.clear();
            found = true;
        }
    }
    if (!found)
        entries.append({key, value});
}
