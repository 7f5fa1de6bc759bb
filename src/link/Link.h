#pragma once

#include "link/SerialControl.h"

#include <QByteArray>

// What the other subsystems use of the serial link: the send operation and the port control.
class Link
{
public:
    virtual ~Link() = default;
    // Sends the bytes when the port is open; otherwise logs
    // "Send failed because the COM port is closed." and sends nothing.
    virtual void SendCommand(const QByteArray& bytes) = 0;
    virtual SerialControl& M() = 0;
};
