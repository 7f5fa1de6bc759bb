#pragma once

#include "core/Logger.h"
#include "link/PortLink.h"
#include "link/ReceiveBuffer.h"
#include "support/FakeSerialControl.h"

template <class Port> struct PortAndBuffer
{
    Port port;
    ReceiveBuffer rxBuffer;
};

// The program's own port link over any port control, with its own receive buffer (built
// before the link that uses them).
template <class Port> struct LinkOver : PortAndBuffer<Port>, PortLink
{
    explicit LinkOver(Logger& log) : PortLink(this->port, log, this->rxBuffer) {}
};

using FakeLink = LinkOver<FakeSerialControl>;
