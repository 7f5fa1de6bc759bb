#pragma once

#include "ScriptedBoard.h"
#include "core/WindowTimer.h"
#include "firmware/FirmwareUpdater.h"
#include "support/MemoryLogger.h"
#include "support/TimerHandover.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The firmware download wired as the window wires it, over the link type under test; path
// names the firmware file the download reads.
template <class LinkType> struct DownloadRig
{
    explicit DownloadRig(bool pollingOn) : timer12{QStringLiteral("Timer12"), 33, pollingOn} {}

    MemoryLogger log;
    LinkType link{log};
    WindowTimer timer2{QStringLiteral("Timer2"), 1, false};
    WindowTimer timer12;
    TimerHandover handover{timer2, timer12};
    RecordingProgress progress;
    QTemporaryDir dir;
    QString path;
    FirmwareUpdater updater{
        FirmwareUpdater::Parts{link, log, progress, handover, [this] { return path; }}};
    Bootloader& boot = updater.boot;
    FlashProgrammer& programmer = updater.programmer;
    FirmwareDownload& download = updater.download;
    WindowTimer& ackTimeout = updater.ackTimeout();

    // Writes the firmware file the download reads.
    void writeFirmware(const QByteArray& content)
    {
        path = dir.filePath(QStringLiteral("fw.kfw"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the firmware file");
        file.write(content);
    }
};
