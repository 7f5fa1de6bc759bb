#pragma once

#include <QByteArray>
#include <QStringList>

// The list lines of a constants payload, one per 4-byte group in table order:
// "K[" index "]" TAB value text. A trailing group of fewer than 4 bytes (a count with a
// fraction) is not listed: it holds no whole value of the board's table.
QStringList ConstantsListLines(const QByteArray& payload);
