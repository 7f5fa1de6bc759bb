#pragma once

class Bootloader;
class FlashProgress;
class Link;
class Logger;
class WindowTimer;
struct FirmwareImage;

// How a programming run ended.
struct ProgramResult
{
    // Every row was acknowledged ("Flash Memory Programmed in ...s").
    bool programmed = false;
    // The port could not be opened for it ("Connection refused.").
    bool portRefused = false;
    // A reply wait ran out of time.
    bool replyMissed = false;
    // The start (word address) of the row that was not acknowledged; -1 for none.
    int failedRow = -1;
};

// Writes a firmware image to the board row by row, each row sent again until the bootloader
// acknowledges its address (72 sends at most), with progress and a closing time report.
class FlashProgrammer
{
public:
    FlashProgrammer(Bootloader& boot, Link& link, Logger& log, WindowTimer& ackTimeout,
                    FlashProgress& progress);

    // Programs the image; logs "Flash Memory Programmed in ...s" or "Programmation failed.".
    ProgramResult ProgramFlash(const FirmwareImage& image);

private:
    // Whether the row was acknowledged; a reply wait that ran out of time sets replyMissed.
    bool sendRow(const FirmwareImage& image, int rowStart, bool& replyMissed);
    void settle();

    Bootloader& m_boot;
    Link& m_link;
    Logger& m_log;
    WindowTimer& m_ackTimeout;
    FlashProgress& m_progress;
};
