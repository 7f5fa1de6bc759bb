#pragma once

#include "firmware/BootReply.h"

#include <QByteArray>
#include <QString>

class Link;
class Logger;
class WindowTimer;

// How a bootloader reply wait ended, and the reply when one came.
struct BootWait
{
    enum Ending
    {
        Replied,
        // The port was closed, or was never open for the wait.
        PortClosed,
        // The reply time-out passed ("No reply from the bootloader within 10 s.").
        TimedOut,
        // The step could not open the port ("Connection refused."); its wait found it closed.
        Refused,
    };

    Ending ending = PortClosed;
    BootReply reply;

    bool replied(BootReply::Kind kind) const { return ending == Replied && reply.kind == kind; }
};

// The host side of the bootloader's command/reply protocol. Every step reports through the
// log as it goes and returns how its reply wait ended. Replies are read into a buffer of the
// bootloader's own; the session stops the frame receiver while a download has the port. An
// acknowledgement stops the row's time-out.
class Bootloader
{
public:
    Bootloader(Link& link, Logger& log, WindowTimer& ackTimeout);

    // Empties the reply buffer and opens the port if needed; logs "Connection established."
    // and returns true, or logs "Connection refused." and returns false.
    bool EnsurePortOpen();
    // Makes the running board restart into its bootloader ("G", written straight to the port);
    // false when the port could not be opened for it.
    bool ResetDevice();
    BootWait CheckBootloaderVersion();
    // Replied with BootReply::Erased when the board answered "Flash Erased successfully.".
    BootWait EraseFlash();
    // Replied with BootReply::Running when the board answered "Application Launched.".
    BootWait RunApplication();
    // Sends a bootloader command ("+V", "+E", a "+P" row, "+R") after dropping what the port
    // already holds, so that the reply read next is the one to this command.
    void SendBootCommand(const QByteArray& bytes);
    // Sleeps until one reply is recognised, the port is closed or the reply time-out passes,
    // acts on the reply and returns it. Window events and timers run meanwhile.
    BootWait WaitBootReply();
    // Each reply wait ends after this long without a reply ("No reply from the bootloader
    // within 10 s."); 0 or less: the wait has no end but a closed port.
    void setReplyTimeout(int milliseconds);

    // The family named by the last known version reply; empty until one came.
    QString BootFamily() const { return m_bootFamily; }

private:
    // A step that opened the port first: its wait, marked Refused when the port did not open.
    static BootWait afterOpening(bool opened, BootWait wait);
    // Acts on a reply; false when the wait goes on.
    bool act(const BootReply& reply);

    Link& m_link;
    Logger& m_log;
    WindowTimer& m_ackTimeout;
    // What the port gave during the current wait and no reply took yet.
    QByteArray m_replyBytes;
    QString m_bootFamily;
    int m_replyTimeoutMs = 0;
};
