#include "link/PortNames.h"

#include "link/AdapterPorts.h"

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
    // Each adapter is named by its description and serial number (AdapterText).
    for (const AdapterPort& port : PresentAdapters())
        present.append({port.device, AdapterText(port)});
    return PortListOf(present);
}
