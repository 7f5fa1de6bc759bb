#pragma once

#include <QString>

#include <functional>

class Logger;
class QLineEdit;
class QWidget;

// The firmware file buttons: "..." picks the firmware package and remembers it, "Generate bin
// file" writes the encoded copy of a chosen HEX file.
class FirmwareFiles
{
public:
    // Shows an open-file dialog for the pattern ("*.kfw", "*.hex"); the chosen path or empty.
    using Chooser = std::function<QString(const QString& pattern)>;
    using SettingWriter = std::function<void(const QString& key, const QString& value)>;

    FirmwareFiles(QLineEdit* text1, Logger& log, Chooser chooser, SettingWriter writeSetting);

    // "...": a chosen "*.kfw" path goes into Text1 and the "Firmware" setting.
    void Command5();
    // "Generate bin file": writes the chosen "*.hex" file's encoded copy; logs a failure.
    void Command6();

    // The platform's open-file dialog over parent.
    static Chooser DialogChooser(QWidget* parent);

private:
    QLineEdit* m_text1;
    Logger& m_log;
    Chooser m_chooser;
    SettingWriter m_writeSetting;
};
