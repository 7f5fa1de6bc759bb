#include "core/SettingsFolder.h"

#include <QStandardPaths>

QString SettingsFallbackFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}
