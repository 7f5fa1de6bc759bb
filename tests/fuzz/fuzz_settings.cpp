// The settings file reader on any file content: what it reads is written back and read again
// unchanged, and assigning a key then looking it up gives the value assigned.

#include "FuzzCheck.h"

#include "core/SettingsFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace {

bool sameEntries(const QList<SettingsEntry>& a, const QList<SettingsEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].value != b[i].value)
            return false;
    }
    return true;
}

// Writing leaves out double quotes, which cannot stand inside a quoted field; lines kept from
// the file are written back as they were.
QList<SettingsEntry> withoutQuotes(QList<SettingsEntry> entries)
{
    for (SettingsEntry& e : entries) {
        if (!e.line.isEmpty())
            continue;
        e.key.remove(QLatin1Char('"'));
        e.value.remove(QLatin1Char('"'));
    }
    return entries;
}

qsizetype lineCount(const QByteArray& content)
{
    return content.count('\r') + content.count('\n') + 1;
}

void checkRoundTrip(const QByteArray& content, const QList<SettingsEntry>& entries)
{
    fuzzCheck(entries.size() <= lineCount(content), "at most one entry per line");
    for (const SettingsEntry& e : entries) {
        fuzzCheck(!e.key.contains(QLatin1Char('\r')) && !e.key.contains(QLatin1Char('\n')) &&
                      !e.value.contains(QLatin1Char('\r')) && !e.value.contains(QLatin1Char('\n')),
                  "no line break inside a field");
    }

    const QByteArray written = FormatSettings(entries);
    const QList<SettingsEntry> reread = ParseSettings(written);
    fuzzCheck(sameEntries(reread, withoutQuotes(entries)), "written entries read back the same");
    fuzzCheck(FormatSettings(reread) == written, "writing what was read back gives the same file");
}

void checkAssign(QList<SettingsEntry> entries, const QString& key, const QString& value)
{
    const QList<SettingsEntry> before = entries;
    bool existed = false;
    for (const SettingsEntry& e : before)
        existed = existed || e.key == key;

    AssignSetting(entries, key, value);
    fuzzCheck(LookupSetting(entries, key) == value, "an assigned key looks up its value");
    fuzzCheck(entries.size() == before.size() + (existed ? 0 : 1),
              "assigning adds an entry only for a new key");
    for (qsizetype i = 0; i < before.size(); ++i) {
        const bool same = entries[i].key == before[i].key &&
                          (entries[i].key == key ? entries[i].value == value
                                                 : entries[i].value == before[i].value);
        fuzzCheck(same, "assigning changes only the entries of its key");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<SettingsEntry> entries = ParseSettings(content);
    checkRoundTrip(content, entries);

    // Assign to a key read from the file when there is one (duplicates included), else to a
    // new key; the value is one read from the file too.
    const QString key =
        entries.isEmpty() ? QStringLiteral("COM Port") : entries[size % entries.size()].key;
    const QString value = entries.isEmpty() ? QStringLiteral("3") : entries.first().value;
    checkAssign(entries, key, value);
    checkAssign(entries, key + QLatin1Char('x'), value);
    return 0;
}
