#pragma once

#include "protocol/Measurement.h"

#include <QByteArray>
#include <QString>

// One measurement frame as a JSON object in the form PlotJuggler's UDP server reads:
//
//   {"timestamp":1796712345.123456,"kind":"F","phi":0.1,"theta":-0.25,...,"f18":0}
//
// "timestamp" is the host time in seconds since the Unix epoch with microseconds, "kind" the
// frame letter, "port" the board's port when given; then every float of the frame under its
// recording column name, in payload order, in the shortest text that reads back to the same
// 32-bit value ("0.1", "1e+09", "-0"); a float that is not a finite number is null. The text
// never reaches MaxDatagramBytes: PlotJuggler reads at most 2048 bytes of a datagram and stops
// its server on a parse error, so floats that would not fit are left out whole.
namespace JsonDatagram {

constexpr qsizetype MaxDatagramBytes = 2048;

QByteArray datagram(const Measurement& m, qint64 unixMicroseconds, const QString& port = {});
// "1796712345.123456".
QByteArray timestampText(qint64 unixMicroseconds);
// The text as a JSON string, quotes included.
QByteArray stringText(const QString& text);

} // namespace JsonDatagram
