#pragma once

#include <QByteArray>
#include <QString>

struct BootReply;
class Link;
class Logger;
class ReceiveBuffer;
class WindowTimer;

// The host side of the bootloader's command/reply protocol. Every step reports through the
// log; replies are read into the shared receive buffer, which nobody else reads meanwhile
// (the download stops the frame receiver). An acknowledgement stops the row's time-out.
class Bootloader
{
public:
    Bootloader(Link& link, Logger& log, ReceiveBuffer& rxBuffer, WindowTimer& ackTimeout);

    // Empties the receive buffer and opens the port if needed; logs "Connection established."
    // or "Connection refused.".
    void EnsurePortOpen();
    // Makes the running board restart into its bootloader ("G", written straight to the port).
    void ResetDevice();
    void CheckBootloaderVersion();
    // True when the board answered "Flash Erased successfully." ("+E").
    bool EraseFlash();
    void RunApplication();
    // Sends a bootloader command ("+V", "+E", a "+P" row, "+R") after dropping what the port
    // already holds, so that the reply read next is the one to this command.
    void SendBootCommand(const QByteArray& bytes);
    // Sleeps until one reply is recognised, the port is closed or the reply time-out passes,
    // and acts on the reply. Window events and timers run meanwhile.
    void WaitBootReply();
    // Each reply wait ends after this long without a reply ("No reply from the bootloader
    // within 10 s.", ReplyMissed set); 0 or less: the wait has no end but a closed port.
    void setReplyTimeout(int milliseconds);

    // The family named by the last known version reply; empty until one came.
    QString BootFamily;
    // The row address of the last "+P" acknowledgement; -1 stands for none (set it before a
    // row is sent so that only a real acknowledgement counts).
    double AckAddress = -1;
    // A reply wait ran out of time since this was last cleared.
    bool ReplyMissed = false;

private:
    // Acts on a reply; false when the wait goes on.
    bool act(const BootReply& reply);

    Link& m_link;
    Logger& m_log;
    ReceiveBuffer& m_rxBuffer;
    WindowTimer& m_ackTimeout;
    bool m_erased = false;
    int m_replyTimeoutMs = 0;
};
