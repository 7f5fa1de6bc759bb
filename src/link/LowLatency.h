#pragma once

#include <QString>

class QSerialPort;

// "Low latency": whether the driver of an open serial port is asked to hand on what the
// adapter receives at once. On Linux that is ASYNC_LOW_LATENCY through TIOCSSERIAL, which an
// ordinary user may set; the FTDI driver then runs the adapter's latency timer at 1 ms instead
// of its 16 ms while the flag stays. Windows keeps the timer in the driver's settings.
enum class LowLatencyChoice
{
    Off,
    // On for adapters of the FTDI driver only (the default).
    Ftdi,
    On,
};

// The settings file's text of a choice ("0", "1"; "" for the default) and back.
QString LowLatencyText(LowLatencyChoice choice);
LowLatencyChoice LowLatencyOf(const QString& text);

// Applies the choice to the port just opened on `device`. Returns one line for the log when
// something changed or could not be done ("" otherwise).
QString ApplyLowLatency(QSerialPort& port, const QString& device, LowLatencyChoice choice);
