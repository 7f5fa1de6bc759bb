#pragma once

#include "firmware/DownloadResult.h"

#include <QByteArray>
#include <QString>

#include <functional>

class Bootloader;
class FlashProgrammer;
class Logger;
class PortHandover;
struct FirmwareLoad;

// The "Download Firmware" sequence: check the firmware file, take the port over from the frame
// receiver and the data request, reset the board into its bootloader, ask its version, erase,
// program, start the application, and hand the port back.
class FirmwareDownload
{
public:
    FirmwareDownload(Bootloader& boot, FlashProgrammer& programmer, Logger& log,
                     PortHandover& handover, std::function<QString()> firmwarePath);

    // Runs the whole download of the firmware file named now. A file that fails the check is
    // refused with one log line before anything reaches the board; for a checked file the log
    // first says what will be sent and what is left out. A call while a download runs (its
    // waits handle window events) is refused without a log line.
    DownloadResult run();
    // The same for a file already loaded (and checked by the caller or not) from path.
    DownloadResult run(const QString& path, const FirmwareLoad& load);
    bool isRunning() const { return m_running; }
    // The operator pressed "Disconnection": the running download stops after its current
    // step with "Programmation failed." instead of opening the port again for the next one.
    // A bootloader reply that misses its time-out (Bootloader::setReplyTimeout) does the same.
    void abandon();

private:
    Bootloader& m_boot;
    FlashProgrammer& m_programmer;
    Logger& m_log;
    PortHandover& m_handover;
    std::function<QString()> m_firmwarePath;
    bool m_running = false;
    bool m_abandoned = false;
};
