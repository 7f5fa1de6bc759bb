#pragma once

#include "protocol/Measurement.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The recording file: comma-separated text, one row per measurement frame, in arrival order.
//
//   # Skyvane recording started 2026-12-07T15:05:30, port COM3, 115200 baud, polling 33 ms
//   # G columns: time,kind,phi,theta,psi,value1,value2,value3,value4
//   # R columns: time,kind,phi,theta,psi,hx,hy,hz
//   # C columns: time,kind,f1,f2,f3,f4,f5,f6,f7,value
//   time,kind,phi,theta,psi,f4,...,f13,hx,hy,hz,code,f18
//   0.033012,F,0.100000001,...
//
// time: seconds since the recording started, always 6 decimals (whole microseconds).
// kind: the frame letter F, G, R or C. Then every float of the payload in payload order, as
// many as the frame carried (0 to 255; a C frame always 8), with 9 significant digits so that
// each reads back to the same 32-bit value; "nan", "-nan", "inf", "-inf" as such, and a NaN
// with other bits as "nan(0xHHHHHHHH)" (its 32 bits). The header row names the F frame's
// columns (the one CSV header a spreadsheet reads); the "#" lines name the other kinds'.
// Numbers always use "." whatever the locale.
//
// The reader takes the file back as pandas and spreadsheets write it: a time in any decimal or
// exponent form (0 or more, never decreasing), values in any decimal or exponent form, an empty
// value as NaN, empty fields at the end of a row as no values, CR LF or LF line ends, a UTF-8
// byte order mark before the first line.
namespace RecordingFormat {

struct Info
{
    QDateTime start;
    QString port;
    int baud = 0;
    int pollMs = 0;
};

// The first comment line, the kinds' comment lines and the header row, each ending in "\n".
QByteArray headerLines(const Info& info);
// The kinds' comment lines and the header row: what follows the first comment line.
QByteArray columnLines();
// The header row alone, without its "\n".
QByteArray headerRow();

// One row with its "\n".
QByteArray row(qint64 microseconds, char kind, const QList<float>& values);
// The value as it appears in a row.
QByteArray floatText(float value);
// "12.345678" for 12345678 microseconds.
QByteArray timeText(qint64 microseconds);

struct ParsedRow
{
    qint64 microseconds = 0;
    Measurement measurement;
    // Empty when the row is valid; otherwise what is wrong (without the line number).
    QString error;
};
// A data row without its line end.
ParsedRow parseRow(const QByteArray& line);
// Whether a line is the header row, also when a spreadsheet padded it with empty fields.
bool isHeaderRow(const QByteArray& line);

} // namespace RecordingFormat
