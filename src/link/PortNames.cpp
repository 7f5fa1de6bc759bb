#include "link/PortNames.h"

#include <QSerialPortInfo>

PortNameResult ComNumberOfName(const QString& name)
{
    PortNameResult result;
    const QString digits = name.mid(3).trimmed();
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < -32768 || number > 32767) {
        result.error =
            QStringLiteral("Type mismatch: the port name \"%1\" has no port number.").arg(name);
        return result;
    }
    result.ok = true;
    result.number = number;
    return result;
}

QList<PortEntry> PortList()
{
    QList<PresentPort> present;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        present.append({info.systemLocation(), info.description()});
    return PortListOf(present);
}
