#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct SettingsEntry
{
    QString key;
    QString value;
    // The entry's line as read from the file (without its line end). It is written back
    // byte for byte until the entry is assigned, so entries the program does not change keep
    // whatever character set they were written in.
    QByteArray line = {};
};

// Reads "key","value" lines (CR LF, CR or LF). A field in double quotes runs to the next
// double quote, so commas inside belong to it; an unquoted field ends at a comma. A line
// with one field is a key with an empty value; empty lines are skipped. There is no limit
// on the number of entries. A field that is not valid UTF-8 (a file written in an 8-bit code
// page) is read as Latin-1.
QList<SettingsEntry> ParseSettings(const QByteArray& content);

// Writes every entry as "key","value" followed by CR LF, in order; an entry read from a file
// and not assigned since keeps its line as it was. A field cannot hold a double quote, a CR or
// an LF: they are left out of it.
QByteArray FormatSettings(const QList<SettingsEntry>& entries);

// The text as a field of the file holds it: without its double quotes, CRs and LFs.
QString StorableText(const QString& text);

// What a field written from this text leaves out, counted: "1 double quote, 2 CR and 2 LF";
// empty when the text is stored whole.
QString LeftOutOfField(const QString& text);

// The value of the last entry with exactly this key (case counts), or the empty text.
QString LookupSetting(const QList<SettingsEntry>& entries, const QString& key);

// Sets every entry with this key to the value, or appends one entry when there is none.
void AssignSetting(QList<SettingsEntry>& entries, const QString& key, const QString& value);
