#include "core/DateTimeStamp.h"

QString DateTimeStamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy.MM.dd - HH.mm.ss"));
}

QString DateTimeStamp()
{
    return DateTimeStamp(QDateTime::currentDateTime());
}
