#include "link/SpeedList.h"

QStringList SpeedList()
{
    return {QStringLiteral("1200"),   QStringLiteral("2400"),   QStringLiteral("4800"),
            QStringLiteral("9600"),   QStringLiteral("19200"),  QStringLiteral("28800"),
            QStringLiteral("38400"),  QStringLiteral("57600"),  QStringLiteral("115200"),
            QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600")};
}
