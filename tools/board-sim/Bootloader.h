#pragma once

#include "BootCommandParser.h"
#include "FlashModel.h"
#include "Options.h"

#include <QByteArray>

// The board's bootloader: answers version, erase, row and run commands and keeps the flash
// model, with the configured faults (failed rows, checksum errors, noise, silence, a drop).
class Bootloader
{
public:
    Bootloader(const Options& options, FlashModel& flash);

    struct Outcome
    {
        QByteArray reply;
        // "+R": back to the application.
        bool run = false;
        // The configured number of rows has been answered: the link goes down.
        bool drop = false;
    };
    Outcome handle(const BootCommand& command);

private:
    QByteArray rowReply(const BootCommand& command, bool& stored);

    const Options& m_options;
    FlashModel& m_flash;
    int m_rows = 0;
    bool m_silent = false;
};
