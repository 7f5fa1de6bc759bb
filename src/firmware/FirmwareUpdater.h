#pragma once

#include "core/WindowTimer.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/FlashProgrammer.h"

#include <functional>
#include <memory>

class PortHandover;

// The firmware download wired once: bootloader client, flash programmer and the download
// sequence over one link. The board session makes it for the window and the
// command-line tool; the tests and the benchmark make it over their own links.
class FirmwareUpdater
{
    // Before the parts below, which are built with it.
    std::unique_ptr<WindowTimer> m_ownReplyTimer;
    WindowTimer& m_rowReplyTimer;

public:
    struct Parts
    {
        Link& link;
        Logger& log;
        FlashProgress& progress;
        // Stops the frame receiver and the data request while the download runs.
        PortHandover& handover;
        // The firmware package to download, asked for when the download starts.
        std::function<QString()> firmwarePath;
        // The row's reply timer (the window's Timer3); null for one of the updater's own.
        WindowTimer* rowReplyTimer = nullptr;
    };

    explicit FirmwareUpdater(const Parts& parts);

    Bootloader boot;
    FlashProgrammer programmer;
    FirmwareDownload download;

    // Runs out once when a row is not acknowledged within 200 ms; the acknowledgement stops
    // it. In the window it is Timer3, which repeats the OpenGL set-up when it runs out.
    WindowTimer& ackTimeout() { return m_rowReplyTimer; }
};
