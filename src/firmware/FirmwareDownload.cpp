#include "firmware/FirmwareDownload.h"

#include "core/Logger.h"
#include "core/Pause.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSummary.h"
#include "firmware/FlashProgrammer.h"
#include "firmware/PortHandover.h"

#include <QScopedValueRollback>

namespace {

// What the steps of one download gave, gathered as they run.
struct Progress
{
    DownloadResult::Step step = DownloadResult::Reset;
    bool refused = false;
    bool replyMissed = false;
    bool erased = false;
    ProgramResult program;
    bool launched = false;

    // Notes a step's reply wait.
    void note(const BootWait& wait)
    {
        refused = refused || wait.ending == BootWait::Refused;
        replyMissed = replyMissed || wait.ending == BootWait::TimedOut;
    }
};

DownloadResult resultOf(const Progress& p, bool abandoned)
{
    DownloadResult r;
    r.step = p.step;
    r.row = p.program.failedRow;
    if (p.refused) {
        r.outcome = DownloadResult::NoPort;
        r.reason = QStringLiteral("the port could not be opened");
    } else if (p.replyMissed) {
        r.outcome = DownloadResult::NoReply;
        r.reason = QStringLiteral("the bootloader did not answer in time");
    } else if (abandoned) {
        r.outcome = DownloadResult::Abandoned;
        r.reason = QStringLiteral("the download was stopped");
    } else if (!p.erased) {
        r.outcome = DownloadResult::Failed;
        r.reason = QStringLiteral("the flash was not erased");
    } else if (!p.program.programmed) {
        r.outcome = DownloadResult::Failed;
        r.reason = QStringLiteral("the row at word address 0x%1 was not acknowledged")
                       .arg(p.program.failedRow, 6, 16, QLatin1Char('0'));
    } else if (!p.launched) {
        r.outcome = DownloadResult::Failed;
        r.reason = QStringLiteral("the application was not started");
    } else {
        r.outcome = DownloadResult::Programmed;
    }
    return r;
}

} // namespace

FirmwareDownload::FirmwareDownload(Bootloader& boot, FlashProgrammer& programmer, Logger& log,
                                   PortHandover& handover, std::function<QString()> firmwarePath)
    : m_boot(boot), m_programmer(programmer), m_log(log), m_handover(handover),
      m_firmwarePath(std::move(firmwarePath))
{}

DownloadResult FirmwareDownload::run()
{
    if (m_running)
        return DownloadResult{DownloadResult::Refused, DownloadResult::FileCheck, -1,
                              QStringLiteral("a download is running")};
    const QString path = m_firmwarePath();
    return run(path, LoadFirmwareFile(path));
}

DownloadResult FirmwareDownload::run(const QString& path, const FirmwareLoad& load)
{
    if (m_running)
        return DownloadResult{DownloadResult::Refused, DownloadResult::FileCheck, -1,
                              QStringLiteral("a download is running")};
    QScopedValueRollback<bool> running(m_running, true);

    // The board is erased only for a file that loads completely.
    if (!load.ok) {
        const QString refusal = FirmwareRefusal(path, load);
        m_log.AddLog(refusal);
        return DownloadResult{DownloadResult::Refused, DownloadResult::FileCheck, -1, refusal};
    }
    for (const QString& line : FirmwareSummary(path, load))
        m_log.AddLog(line);

    m_abandoned = false;
    // Until the end the frame receiver must not swallow the bootloader's replies.
    m_handover.takePort();
    PauseMs(500);
    // Each step opens the port again if needed; after "Disconnection" none may, or the
    // operator could never end a download whose board has stopped answering. A reply that did
    // not come in time ends the download as "Disconnection" does.
    Progress p;
    bool outcomeLogged = false;
    const auto stopped = [this, &p] { return m_abandoned || p.replyMissed; };
    const auto step = [&](DownloadResult::Step name, auto&& run) {
        if (stopped())
            return;
        p.step = name;
        run();
    };
    step(DownloadResult::Reset, [&] { p.refused = !m_boot.ResetDevice() || p.refused; });
    step(DownloadResult::Reset, [&] { PauseMs(500); });
    step(DownloadResult::Version, [&] { p.note(m_boot.CheckBootloaderVersion()); });
    step(DownloadResult::Erase, [&] {
        const BootWait erase = m_boot.EraseFlash();
        p.note(erase);
        p.erased = erase.replied(BootReply::Erased);
    });
    // Rows written over a flash that was not erased would not hold the file. The programming
    // step reports its own outcome, success or failure.
    if (p.erased) {
        step(DownloadResult::Rows, [&] {
            p.program = m_programmer.ProgramFlash(load.image);
            p.refused = p.refused || p.program.portRefused;
            p.replyMissed = p.replyMissed || p.program.replyMissed;
            outcomeLogged = true;
        });
    }
    if (stopped() && !outcomeLogged)
        m_log.AddLog(QStringLiteral("Programmation failed."));
    if (p.program.programmed && !stopped()) {
        p.step = DownloadResult::Launch;
        const BootWait run = m_boot.RunApplication();
        p.note(run);
        p.launched = run.replied(BootReply::Running);
        PauseMs(500);
    } else {
        // A half-written application could no longer be told to enter the bootloader ("G" is
        // its command): the board stays in its bootloader, which ignores the next "G".
        m_log.AddLog(QStringLiteral("Application not started; the download can be repeated."));
    }
    m_handover.handPortBack();
    return resultOf(p, m_abandoned);
}

void FirmwareDownload::abandon()
{
    if (m_running)
        m_abandoned = true;
}
