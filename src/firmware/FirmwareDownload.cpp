#include "firmware/FirmwareDownload.h"

#include "app/shell/Logger.h"
#include "app/shell/Pause.h"
#include "app/shell/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FlashProgrammer.h"

#include <QScopedValueRollback>

FirmwareDownload::FirmwareDownload(Bootloader& boot, FlashProgrammer& programmer, Logger& log,
                                   QByteArray& rxBuffer, WindowTimer& timer2, WindowTimer& timer12,
                                   std::function<QString()> firmwarePath)
    : m_boot(boot), m_programmer(programmer), m_log(log), m_rxBuffer(rxBuffer), m_timer2(timer2),
      m_timer12(timer12), m_firmwarePath(std::move(firmwarePath))
{}

void FirmwareDownload::Command4()
{
    if (m_running)
        return;
    QScopedValueRollback<bool> running(m_running, true);

    // The board is erased only for a file that loads completely.
    const QString path = m_firmwarePath();
    const FirmwareLoad load = LoadFirmwareFile(path);
    if (!load.ok) {
        m_log.AddLog(FirmwareRefusal(path, load));
        return;
    }

    m_timer2.setEnabled(false);
    m_timer12.setEnabled(false);
    PauseMs(500);
    m_rxBuffer.clear();
    m_boot.ResetDevice();
    PauseMs(500);
    m_boot.CheckBootloaderVersion();
    m_boot.EraseFlash();
    m_programmer.ProgramFlash(load.image);
    m_boot.RunApplication();
    PauseMs(500);
    m_rxBuffer.clear();
    m_timer2.setEnabled(true);
    m_timer12.setEnabled(true);
}
