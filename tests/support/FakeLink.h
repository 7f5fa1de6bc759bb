#pragma once

#include "app/shell/Logger.h"
#include "link/Link.h"
#include "support/FakeSerialControl.h"

// SendCommand over any port control, logging the closed-port line as the window's link does.
template <class Port> class LinkOver : public Link
{
public:
    explicit LinkOver(Logger& log) : m_log(log) {}
    void SendCommand(const QByteArray& bytes) override
    {
        if (!port.PortOpen()) {
            m_log.AddLog(QStringLiteral("Send failed because the COM port is closed."));
            return;
        }
        port.Output(bytes);
    }
    SerialControl& M() override { return port; }

    Port port;

private:
    Logger& m_log;
};

using FakeLink = LinkOver<FakeSerialControl>;
