// Windows: the adapter from the system's device list, the FTDI driver's latency timer from the
// registry (read only). Windows has no rights on a port beyond "one program at a time", does not
// tell which program holds a port, and runs no service that takes over new adapters.
#include "link/PortSystem.h"

#include <QSerialPortInfo>

#include <windows.h>

namespace {

QString portNameOf(const QString& device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    return name;
}

// A REG_DWORD or REG_SZ value of an open key as text.
QString valueOf(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    BYTE data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_DWORD && size == sizeof(DWORD))
        return QString::number(*reinterpret_cast<const DWORD*>(data));
    if (type == REG_SZ)
        return QString::fromWCharArray(reinterpret_cast<const wchar_t*>(data));
    return {};
}

// The FTDI driver keeps each adapter's settings under Enum\FTDIBUS\<id>\0000\Device Parameters,
// with the port's name beside its latency timer.
LatencyFacts ftdiLatency(const QString& portName)
{
    LatencyFacts l;
    const wchar_t* root = L"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";
    HKEY bus = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, &bus) != ERROR_SUCCESS)
        return l;
    wchar_t id[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(bus, i, id, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const QString sub =
            QString::fromWCharArray(id) + QStringLiteral("\\0000\\Device Parameters");
        HKEY parameters = nullptr;
        if (RegOpenKeyExW(bus, reinterpret_cast<const wchar_t*>(sub.utf16()), 0, KEY_READ,
                          &parameters) != ERROR_SUCCESS)
            continue;
        const bool ours =
            valueOf(parameters, L"PortName").compare(portName, Qt::CaseInsensitive) == 0;
        const QString latency = ours ? valueOf(parameters, L"LatencyTimer") : QString();
        RegCloseKey(parameters);
        if (!ours)
            continue;
        l.where =
            QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\") + sub;
        bool ok = false;
        l.ms = latency.toInt(&ok);
        l.present = ok;
        if (!ok)
            l.note = QStringLiteral("the FTDI driver's settings of %1 hold no latency timer")
                         .arg(portName);
        break;
    }
    RegCloseKey(bus);
    return l;
}

} // namespace

UserAccount CurrentUser()
{
    UserAccount user;
    user.name = qEnvironmentVariable("USERNAME");
    return user;
}

PortFacts ProbePort(const QString& device, const UserAccount&, qint64, const SystemRoots&)
{
    PortFacts facts;
    facts.device = device;
    const QString name = portNameOf(device);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.portName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        facts.access.exists = true;
        AdapterFacts& a = facts.adapter;
        a.usb = info.hasVendorIdentifier() && info.hasProductIdentifier();
        a.vendorId = info.vendorIdentifier();
        a.productId = info.productIdentifier();
        a.manufacturer = info.manufacturer();
        a.product = info.description();
        a.serialNumber = info.serialNumber();
        if (a.vendorId == 0x0403)
            a.driver = QStringLiteral("FTDIBUS");
    }
    facts.access.known = false;
    facts.access.note = QStringLiteral("Windows gives a port to one program at a time; there are "
                                       "no rights to check");
    facts.holdersKnown = false;
    facts.holdersNote = QStringLiteral("Windows does not tell which program holds a port");
    facts.latency = ftdiLatency(name);
    return facts;
}
