#pragma once

#include <QString>

#include <functional>

class Logger;

// The firmware file choices: the firmware package to download (remembered in the "Firmware"
// setting) and the encoded copy of a chosen HEX file.
class FirmwareFiles
{
public:
    // Asks for a file matching the pattern ("*.kfw", "*.hex"); the chosen path or empty.
    using Chooser = std::function<QString(const QString& pattern)>;
    using SettingWriter = std::function<void(const QString& key, const QString& value)>;

    FirmwareFiles(Logger& log, Chooser chooser, SettingWriter writeSetting);

    // Asks for a "*.kfw" package; a chosen path is stored in the "Firmware" setting and
    // returned, a cancelled choice returns "".
    QString chooseFirmware();
    // Asks for a "*.hex" file and writes its encoded copy; logs a failure.
    void generateBin();

private:
    Logger& m_log;
    Chooser m_chooser;
    SettingWriter m_writeSetting;
};
