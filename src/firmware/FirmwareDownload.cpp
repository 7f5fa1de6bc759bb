#include "firmware/FirmwareDownload.h"

#include "core/Logger.h"
#include "core/Pause.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSummary.h"
#include "firmware/FlashProgrammer.h"
#include "firmware/PortHandover.h"
#include "link/ReceiveBuffer.h"

#include <QScopedValueRollback>

FirmwareDownload::FirmwareDownload(Bootloader& boot, FlashProgrammer& programmer, Logger& log,
                                   ReceiveBuffer& rxBuffer, PortHandover& handover,
                                   std::function<QString()> firmwarePath)
    : m_boot(boot), m_programmer(programmer), m_log(log), m_rxBuffer(rxBuffer),
      m_handover(handover), m_firmwarePath(std::move(firmwarePath))
{}

void FirmwareDownload::run()
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
    for (const QString& line : FirmwareSummary(path, load))
        m_log.AddLog(line);

    m_abandoned = false;
    m_boot.ReplyMissed = false;
    // Until the end the frame receiver must not swallow the bootloader's replies.
    m_handover.takePort();
    PauseMs(500);
    m_rxBuffer.discard();
    // Each step opens the port again if needed; after "Disconnection" none may, or the
    // operator could never end a download whose board has stopped answering.
    // The programming step reports its own outcome, success or failure.
    bool outcomeLogged = false;
    bool erased = false;
    bool programmed = false;
    // A reply that did not come in time ends the download as "Disconnection" does.
    const auto stopped = [this] { return m_abandoned || m_boot.ReplyMissed; };
    const auto step = [&stopped](auto&& run) {
        if (!stopped())
            run();
    };
    step([&] { m_boot.ResetDevice(); });
    step([&] { PauseMs(500); });
    step([&] { m_boot.CheckBootloaderVersion(); });
    step([&] { erased = m_boot.EraseFlash(); });
    // Rows written over a flash that was not erased would not hold the file.
    if (erased) {
        step([&] {
            programmed = m_programmer.ProgramFlash(load.image);
            outcomeLogged = true;
        });
    }
    if (stopped() && !outcomeLogged)
        m_log.AddLog(QStringLiteral("Programmation failed."));
    if (programmed && !stopped()) {
        m_boot.RunApplication();
        PauseMs(500);
    } else {
        // A half-written application could no longer be told to enter the bootloader ("G" is
        // its command): the board stays in its bootloader, which ignores the next "G".
        m_log.AddLog(QStringLiteral("Application not started; the download can be repeated."));
    }
    m_rxBuffer.discard();
    m_handover.handPortBack();
}

void FirmwareDownload::abandon()
{
    if (m_running)
        m_abandoned = true;
}
