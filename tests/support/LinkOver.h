#pragma once

#include "core/Logger.h"
#include "link/PortLink.h"
#include "support/FakeSerialControl.h"

template <class Port> struct PortOf
{
    Port port;
};

// The program's own port link over any port control (built before the link that uses it).
template <class Port> struct LinkOver : PortOf<Port>, PortLink
{
    explicit LinkOver(Logger& log) : PortLink(this->port, log) {}
};

using FakeLink = LinkOver<FakeSerialControl>;
