#include "output/HostPort.h"

QString HostPort::text() const
{
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + QString::number(port);
}

HostPort HostPort::parse(const QString& text)
{
    HostPort result;
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(QLatin1Char(':'));
    QString host = trimmed.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        host.clear();
    bool ok = false;
    const uint port = trimmed.mid(colon + 1).toUInt(&ok);
    if (colon < 1 || host.isEmpty() || !ok || port < 1 || port > 65535) {
        result.error = QStringLiteral("\"%1\" is not HOST:PORT (a port from 1 to 65535)").arg(text);
        return result;
    }
    result.host = host;
    result.port = quint16(port);
    return result;
}
