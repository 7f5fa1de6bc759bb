#pragma once

#include "ScriptedBoard.h"
#include "app/shell/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/FlashProgrammer.h"
#include "support/MemoryLogger.h"

#include <QByteArray>
#include <QString>

// The firmware download wired as the window wires it, over the link type under test; path
// names the firmware file the download reads.
template <class LinkType> struct DownloadRig
{
    explicit DownloadRig(bool pollingOn) : timer12{QStringLiteral("Timer12"), 33, pollingOn} {}

    MemoryLogger log;
    LinkType link{log};
    QByteArray rxBuffer;
    WindowTimer timer2{QStringLiteral("Timer2"), 1, false};
    WindowTimer timer3{QStringLiteral("Timer3"), 500, false};
    WindowTimer timer12;
    RecordingProgress progress;
    Bootloader boot{link, log, rxBuffer, timer3};
    FlashProgrammer programmer{boot, link, log, timer3, progress};
    QString path;
    FirmwareDownload download{
        boot, programmer, log, rxBuffer, timer2, timer12, [this] { return path; }};
};
