#include "link/NetworkPort.h"

#include <QUrl>

namespace {
const QLatin1String kScheme("socket://");
}

bool IsNetworkPortName(const QString& name)
{
    return name.trimmed().startsWith(kScheme, Qt::CaseInsensitive);
}

NetworkPort ParseNetworkPortName(const QString& name)
{
    NetworkPort result;
    const QString text = name.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const int port = url.port(-1);
    if (!IsNetworkPortName(text) || !url.isValid() || url.host().isEmpty() || port < 1 ||
        port > 65535 || !(url.path().isEmpty() || url.path() == QLatin1String("/")) ||
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        result.error = QStringLiteral("Invalid network port \"%1\": write socket://HOST:PORT, "
                                      "for example socket://192.168.1.20:4001.")
                           .arg(name);
        return result;
    }
    result.ok = true;
    result.host = url.host();
    result.port = static_cast<quint16>(port);
    return result;
}
