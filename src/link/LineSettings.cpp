#include "link/LineSettings.h"

#include <QStringList>

LineSettings ParseLineSettings(const QString& text)
{
    LineSettings s;
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        s.error = QStringLiteral("Invalid port settings \"%1\".").arg(text);
        return s;
    }
    bool ok = false;
    const qint64 baud = parts[0].trimmed().toLongLong(&ok);
    if (!ok || baud <= 0 || baud > 0x7fffffff) {
        s.error = QStringLiteral("Invalid port speed \"%1\".").arg(parts[0]);
        return s;
    }
    s.baud = static_cast<qint32>(baud);
    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else {
        s.error = QStringLiteral("Invalid parity \"%1\".").arg(parts[1]);
        return s;
    }
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) {
        s.error = QStringLiteral("Invalid data bits \"%1\".").arg(parts[2]);
        return s;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else {
        s.error = QStringLiteral("Invalid stop bits \"%1\".").arg(parts[3]);
        return s;
    }
    s.ok = true;
    return s;
}
