#include "firmware/FirmwareFiles.h"

#include "core/Logger.h"
#include "firmware/BinEncoding.h"

FirmwareFiles::FirmwareFiles(Logger& log, Chooser chooser, SettingWriter writeSetting)
    : m_log(log), m_chooser(std::move(chooser)), m_writeSetting(std::move(writeSetting))
{}

QString FirmwareFiles::chooseFirmware()
{
    QString path = m_chooser(QStringLiteral("*.kfw"));
    if (!path.isEmpty())
        m_writeSetting(QStringLiteral("Firmware"), path);
    return path;
}

void FirmwareFiles::generateBin()
{
    const QString path = m_chooser(QStringLiteral("*.hex"));
    if (path.isEmpty())
        return;
    switch (WriteBinFile(path)) {
    case BinWrite::Written:
        return;
    case BinWrite::InputUnreadable:
        m_log.AddLog(QStringLiteral("HEX file %1 cannot be read.").arg(path));
        return;
    case BinWrite::OutputUnwritable:
        m_log.AddLog(QStringLiteral("Bin file %1 cannot be written.").arg(BinPathFor(path)));
        return;
    }
}
