#pragma once

#include <QString>
#include <QStringList>

struct ExchangeFloor
{
    bool ok = false;
    QString error;
    // CPU of this whole process over the stretch, as a share of one core.
    double percent = 0;
    double repliesPerSecond = 0;
};

// The floor of a board at rest: the polling's bare exchange and nothing else. A timer sends
// "F" to the virtual board every pollMs and the reply is read as it arrives, in this
// process's event loop, with nothing decoded or shown. What the program spends at rest above
// this is its own; this much is the price of two wake-ups a frame on this machine.
ExchangeFloor BareExchange(const QString& boardSim, const QStringList& boardArguments, int pollMs,
                           int warmUpSeconds, int seconds);
