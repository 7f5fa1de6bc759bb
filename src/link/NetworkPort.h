#pragma once

#include <QString>

// A board reached over TCP instead of a serial port: a serial device server or a bridge in raw
// TCP mode (ser2net, ESP-Link, a Moxa NPort). Its port name is "socket://HOST:PORT", the form
// pyserial users know; it is recognised before the COM-number parse, as device paths are.
struct NetworkPort
{
    bool ok = false;
    QString host;
    quint16 port = 0;
    // Why the name is not a usable address (when !ok).
    QString error;
};

// Whether the name asks for the network link ("socket://", any case).
bool IsNetworkPortName(const QString& name);
// The host and port of "socket://HOST:PORT" ("socket://[::1]:5000" for an IPv6 address).
NetworkPort ParseNetworkPortName(const QString& name);
