#pragma once

#include "core/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/FlashProgrammer.h"

#include <functional>

// The firmware download wired once: bootloader client, flash programmer and the download
// sequence over one link and receive buffer. The window, the command-line tool, the tests and
// the benchmark all make this one object.
class FirmwareUpdater
{
    // Before the parts below, which are built with it.
    WindowTimer m_ackTimeout{QStringLiteral("AckTimeout"), 500, false};

public:
    struct Parts
    {
        Link& link;
        Logger& log;
        ReceiveBuffer& rxBuffer;
        FlashProgress& progress;
        // The frame receiver's tick and the data request, stopped while the download runs.
        WindowTimer& timer2;
        WindowTimer& timer12;
        // The firmware package to download, asked for when the download starts.
        std::function<QString()> firmwarePath;
    };

    explicit FirmwareUpdater(const Parts& parts);

    Bootloader boot;
    FlashProgrammer programmer;
    FirmwareDownload download;

    // Runs out once when a row is not acknowledged within 200 ms; the acknowledgement stops
    // it. The window repeats its OpenGL set-up when it runs out.
    WindowTimer& ackTimeout() { return m_ackTimeout; }
};
