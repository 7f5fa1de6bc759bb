#pragma once

class Bootloader;
class FlashProgress;
class Link;
class Logger;
class WindowTimer;
struct FirmwareImage;

// Writes a firmware image to the board row by row, each row sent again until the bootloader
// acknowledges its address (72 sends at most), with progress and a closing time report.
class FlashProgrammer
{
public:
    FlashProgrammer(Bootloader& boot, Link& link, Logger& log, WindowTimer& ackTimeout,
                    FlashProgress& progress);

    // Returns true when every row was acknowledged ("Flash Memory Programmed in ...s"),
    // false after "Programmation failed.".
    bool ProgramFlash(const FirmwareImage& image);

private:
    bool sendRow(const FirmwareImage& image, int rowStart);
    void settle();

    Bootloader& m_boot;
    Link& m_link;
    Logger& m_log;
    WindowTimer& m_ackTimeout;
    FlashProgress& m_progress;
};
