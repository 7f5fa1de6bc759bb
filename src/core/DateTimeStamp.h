#pragma once

#include <QDateTime>
#include <QString>

// "YYYY.MM.DD - hh.mm.ss" of the given local time (21 characters).
QString DateTimeStamp(const QDateTime& when);
// The stamp of the current local time.
QString DateTimeStamp();
