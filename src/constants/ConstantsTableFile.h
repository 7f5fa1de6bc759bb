#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One entry that differs between the board's table and a file.
struct ConstantDifference
{
    int index = 0;
    float board = 0.0f;
    float file = 0.0f;
};

// The constants table as a CSV file:
//
//   # Skyvane constants, 2026-12-07 15:04:05, port COM3
//   index,value
//   0,0.5
//   1,-12.25
//
// A header row (so that pandas and spreadsheets do not take the first entry for one), then one
// line per entry, "index,value", indices counted from 0 as the list shows them ("K[0]" is line
// "0,..."). Values carry 9 significant digits with "." as the decimal point, which reads back
// to the very same 32-bit float; "nan", "inf" and "-inf" stand for values that are not
// numbers. Lines end in LF.
namespace ConstantsTableFile {

// The floats of a table reply's payload (a trailing part of fewer than 4 bytes is dropped,
// as the list drops it).
QList<float> tableOf(const QByteArray& payload);

// The file text of a table read at the given time from the given port.
QByteArray exportTable(const QList<float>& table, const QDateTime& readAt, const QString& port);

// A value as the file writes it: "0.5", "0.100000001", "1.00000002e+20", C locale always.
QString valueText(float value);

struct Parsed
{
    bool ok = false;
    QList<float> table;
    // Why the file is refused, e.g. "line 3: \"1,5\" is not an index and a value." when not ok.
    QString error;
};

// The header row, without its line end.
QByteArray headerRow();

// Reads a file strictly. Lines starting with "#" and blank lines are skipped; CR LF endings
// and a UTF-8 byte order mark are accepted, and so is the header row before the first entry
// (files of older versions have none). Every other line must be "index,value" (spaces around
// either allowed, and empty fields after them, as a spreadsheet pads its rows) with the indices
// running 0, 1, 2, ... in order, and every value a number that fits a float. The first line
// that breaks a rule refuses the whole file; so does a file without entries.
Parsed parse(const QByteArray& content);

struct Compared
{
    bool ok = false;
    // The entries whose file value is not the board's float (NaN counts as equal to NaN).
    QList<ConstantDifference> differences;
    // When the two tables differ in length, e.g. "the file holds 10 constants, the board 12."
    QString error;
};

// Compares a file's table with the board's; tables of different lengths are refused whole
// (a file of another board or firmware), nothing is matched up.
Compared diff(const QList<float>& board, const QList<float>& file);

// Whether two table values are the same 32-bit float.
bool sameValue(float a, float b);

} // namespace ConstantsTableFile
