#include "firmware/FlashProgrammer.h"

#include "core/Logger.h"
#include "core/Pause.h"
#include "core/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FlashProgress.h"
#include "firmware/RowPackets.h"
#include "firmware/SecondsText.h"
#include "link/Link.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

namespace {

constexpr int MaxSends = 72;
constexpr int AckWaitMs = 200;

} // namespace

FlashProgrammer::FlashProgrammer(Bootloader& boot, Link& link, Logger& log, WindowTimer& ackTimeout,
                                 FlashProgress& progress)
    : m_boot(boot), m_link(link), m_log(log), m_ackTimeout(ackTimeout), m_progress(progress)
{}

ProgramResult FlashProgrammer::ProgramFlash(const FirmwareImage& image)
{
    ProgramResult result;
    result.portRefused = !m_boot.EnsurePortOpen();
    m_log.AddLog(QStringLiteral("Programming Flash Memory..."));
    m_progress.clear();
    QElapsedTimer clock;
    clock.start();

    const int rows = RowCount(image.EndIndex, FirmwareImage::LastIndex);
    for (int row = 0; row < rows; ++row) {
        const int rowStart = row * RowWords;
        if (RowIsSent(rowStart, image.LowestAddress) &&
            !sendRow(image, rowStart, result.replyMissed)) {
            m_log.AddLog(QStringLiteral("Programmation failed."));
            settle();
            result.failedRow = rowStart;
            return result;
        }
        m_progress.show(std::min<double>(rowStart + RowWords - 2, image.EndIndex), image.EndIndex);
        QCoreApplication::processEvents();
    }
    settle();
    m_log.AddLog(QStringLiteral("Flash Memory Programmed in ") +
                 SecondsText(clock.elapsed() / 1000.0) + QStringLiteral("s"));
    result.programmed = true;
    return result;
}

bool FlashProgrammer::sendRow(const FirmwareImage& image, int rowStart, bool& replyMissed)
{
    const QByteArray packet = RowPacket(image.FlashImage, rowStart);
    for (int send = 1; send <= MaxSends; ++send) {
        m_boot.SendBootCommand(packet);
        // The time-out runs out once during a wait that no acknowledgement ends within 200 ms.
        m_ackTimeout.setInterval(AckWaitMs);
        m_ackTimeout.restart();
        const BootWait wait = m_boot.WaitBootReply();
        // Only an acknowledgement of this very row counts, the row at address 0 included.
        if (wait.replied(BootReply::Acknowledged) && wait.reply.address == quint32(rowStart))
            return true;
        // A bootloader that stopped answering will not answer the next send either.
        if (wait.ending == BootWait::TimedOut) {
            replyMissed = true;
            return false;
        }
    }
    return false;
}

void FlashProgrammer::settle()
{
    PauseMs(100);
    if (m_link.M().PortOpen())
        m_link.M().Input();
    m_progress.clear();
}
