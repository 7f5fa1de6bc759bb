#include "firmware/FirmwareFiles.h"

#include "app/shell/Logger.h"
#include "firmware/BinEncoding.h"

#include <QFileDialog>
#include <QLineEdit>

FirmwareFiles::FirmwareFiles(QLineEdit* text1, Logger& log, Chooser chooser,
                             SettingWriter writeSetting)
    : m_text1(text1), m_log(log), m_chooser(std::move(chooser)),
      m_writeSetting(std::move(writeSetting))
{}

void FirmwareFiles::Command5()
{
    const QString path = m_chooser(QStringLiteral("*.kfw"));
    if (path.isEmpty())
        return;
    m_text1->setText(path);
    m_writeSetting(QStringLiteral("Firmware"), path);
}

void FirmwareFiles::Command6()
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

FirmwareFiles::Chooser FirmwareFiles::DialogChooser(QWidget* parent)
{
    return [parent](const QString& pattern) {
        const QString filter = pattern == QStringLiteral("*.kfw")
                                   ? QStringLiteral("Firmware (*.kfw)")
                                   : QStringLiteral("HEX (%1)").arg(pattern);
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    };
}
