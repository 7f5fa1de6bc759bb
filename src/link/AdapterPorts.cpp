#include "link/AdapterPorts.h"

#include "link/PortNames.h"

#include <QSerialPortInfo>
#include <QStringList>

namespace {

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

const AdapterPort* portNamed(const QString& name, const QList<AdapterPort>& present)
{
    for (const AdapterPort& port : present) {
        if (port.name.compare(name, Qt::CaseInsensitive) == 0)
            return &port;
    }
    return nullptr;
}

} // namespace

QString AdapterIdentity::key() const
{
    if (isEmpty() || serialNumber.contains(QLatin1Char('"')) ||
        serialNumber.contains(QLatin1Char('\n')) || serialNumber.contains(QLatin1Char('\r')))
        return {};
    const QString ids =
        hasIds ? hex4(vendorId) + QLatin1Char(':') + hex4(productId) : QStringLiteral(":");
    return ids + QLatin1Char(':') + serialNumber;
}

AdapterIdentity AdapterIdentity::fromKey(const QString& key)
{
    AdapterIdentity id;
    const qsizetype first = key.indexOf(QLatin1Char(':'));
    const qsizetype second = first < 0 ? -1 : key.indexOf(QLatin1Char(':'), first + 1);
    if (second < 0)
        return id;
    bool vendorOk = false;
    bool productOk = false;
    const quint16 vendor = key.left(first).toUShort(&vendorOk, 16);
    const quint16 product = key.mid(first + 1, second - first - 1).toUShort(&productOk, 16);
    if (vendorOk && productOk) {
        id.hasIds = true;
        id.vendorId = vendor;
        id.productId = product;
    }
    id.serialNumber = key.mid(second + 1);
    return id;
}

bool AdapterIdentity::matches(const AdapterIdentity& other) const
{
    if (isEmpty() || other.isEmpty())
        return false;
    const bool idsAgree =
        !hasIds || !other.hasIds || (vendorId == other.vendorId && productId == other.productId);
    if (!serialNumber.isEmpty())
        return serialNumber == other.serialNumber && idsAgree;
    return hasIds && other.hasIds && other.serialNumber.isEmpty() && idsAgree;
}

QList<AdapterPort> PresentAdapters()
{
    QList<AdapterPort> present;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        AdapterPort port;
        port.device = info.systemLocation();
        const int number = ComNumberForDevice(port.device);
        port.name = number > 0 ? QStringLiteral("COM%1").arg(number) : port.device;
        port.description = info.description();
        port.identity.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.identity.vendorId = info.vendorIdentifier();
        port.identity.productId = info.productIdentifier();
        port.identity.serialNumber = info.serialNumber();
        present.append(port);
    }
    return present;
}

QString AdapterText(const AdapterPort& port)
{
    QStringList parts;
    if (!port.description.isEmpty())
        parts << port.description;
    const AdapterIdentity& id = port.identity;
    if (!id.serialNumber.isEmpty())
        parts << id.serialNumber;
    else if (id.hasIds)
        parts << hex4(id.vendorId) + QLatin1Char(':') + hex4(id.productId);
    return parts.join(QStringLiteral(", "));
}

AdapterIdentity IdentityOf(const QString& name, const QList<AdapterPort>& present)
{
    const AdapterPort* port = portNamed(name, present);
    return port ? port->identity : AdapterIdentity();
}

QString AdapterFileTag(const QString& name, const QList<AdapterPort>& present)
{
    const AdapterIdentity id = IdentityOf(name, present);
    if (!id.serialNumber.isEmpty())
        return id.serialNumber;
    if (id.hasIds)
        return hex4(id.vendorId) + QLatin1Char('-') + hex4(id.productId);
    return name;
}

FollowedPort FollowAdapter(const QString& storedName, const AdapterIdentity& remembered,
                           const QList<AdapterPort>& present)
{
    FollowedPort followed;
    followed.name = storedName;
    if (remembered.isEmpty())
        return followed;
    const AdapterPort* stored = portNamed(storedName, present);
    if (stored && remembered.matches(stored->identity))
        return followed;
    const AdapterPort* found = nullptr;
    for (const AdapterPort& port : present) {
        if (!remembered.matches(port.identity))
            continue;
        // Two adapters that cannot be told apart: the stored name stays.
        if (found)
            return followed;
        found = &port;
    }
    if (!found)
        return followed;
    followed.name = found->name;
    followed.moved = true;
    followed.logLine = QStringLiteral("%1 is now %2: the same adapter (%3).")
                           .arg(storedName, found->name, AdapterText(*found));
    return followed;
}
