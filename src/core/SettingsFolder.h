#pragma once

#include <QString>

// Where "Settings.ini" goes when the program's own folder cannot be written (an installed
// program): ~/.config/skyvane on Linux, %APPDATA%\Skyvane on Windows. Needs the application's
// name set ("skyvane").
QString SettingsFallbackFolder();
