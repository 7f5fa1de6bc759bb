#include "core/SettingsFolder.h"

#include <QDir>
#include <QStandardPaths>

QString SettingsFallbackFolder()
{
    // The roaming application data, where Windows programs keep a user's settings.
    const QString appData = qEnvironmentVariable("APPDATA");
    if (!appData.isEmpty())
        return QDir::fromNativeSeparators(appData) + QStringLiteral("/Skyvane");
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}
