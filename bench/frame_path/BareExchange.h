#pragma once

#include <QString>
#include <QStringList>

struct ExchangeFloor
{
    bool ok = false;
    QString error;
    // CPU of the exchange's process over the stretch, as a share of one core.
    double percent = 0;
    double requestsPerSecond = 0;
};

// The floor of a board at rest: the polling's bare exchange and nothing else, run by
// bench_bare_exchange (built beside this benchmark) against the virtual board, and measured from
// outside over `seconds` after a warm-up, as the program is. What the program spends at rest
// above this is its own; this much is the price of two wake-ups a frame on this machine.
ExchangeFloor BareExchange(const QString& boardSim, const QStringList& boardArguments, int pollMs,
                           int warmUpSeconds, int seconds);
