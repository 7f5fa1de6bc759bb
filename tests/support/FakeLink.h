#pragma once

#include "app/shell/Logger.h"
#include "link/Link.h"
#include "support/FakeSerialControl.h"

// SendCommand over a FakeSerialControl, logging the closed-port line as the real link does.
class FakeLink : public Link
{
public:
    explicit FakeLink(Logger& log) : m_log(log) {}
    void SendCommand(const QByteArray& bytes) override
    {
        if (!port.PortOpen()) {
            m_log.AddLog(QStringLiteral("Send failed because the COM port is closed."));
            return;
        }
        port.Output(bytes);
    }
    SerialControl& M() override { return port; }

    FakeSerialControl port;

private:
    Logger& m_log;
};
