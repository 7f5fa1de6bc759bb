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
    // Sleeps until one reply is recognised or the port is closed, and acts on the reply.
    // Window events and timers run meanwhile.
    void WaitBootReply();

    // The family named by the last known version reply; empty until one came.
    QString BootFamily;
    // The row address of the last "+P" acknowledgement; -1 stands for none (set it before a
    // row is sent so that only a real acknowledgement counts).
    double AckAddress = -1;

private:
    // Acts on a reply; false when the wait goes on.
    bool act(const BootReply& reply);

    Link& m_link;
    Logger& m_log;
    ReceiveBuffer& m_rxBuffer;
    WindowTimer& m_ackTimeout;
    bool m_erased = false;
};
