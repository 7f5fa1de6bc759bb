#pragma once

#include "doctor/DoctorReport.h"
#include "doctor/RoundTrip.h"
#include "doctor/SpeedSearch.h"
#include "link/LowLatency.h"
#include "link/PortSystem.h"

#include <functional>

// The doctor's judgement of each fact, as report lines: plain functions of what was found, so
// that each verdict and remedy can be checked against facts a test gives.
namespace DoctorLines {

// How the front end words two remedies: the speed search, and using another speed.
struct Remedies
{
    // "skyvane-cli doctor --port COM33 --find-speed"
    QString findSpeed;
    // "skyvane-cli doctor --port COM33 --speed 57600" for "57600"
    std::function<QString(const QString& speed)> useSpeed;
};

// Time on the wire of that many bytes at the speed (10 bit times a byte), in milliseconds.
double WireMs(int bytes, int baud);

// The device behind the name and its adapter; a failed open with its reason ("" when the port
// opened or was not tried).
QList<DoctorLine> device(const QString& portName, const PortFacts& facts,
                         const QString& openFailure);
// Whether the user may open it (the usermod line when a group is missing).
QList<DoctorLine> access(const PortFacts& facts, const UserAccount& user);
// Other processes that have the device open.
QList<DoctorLine> holders(const PortFacts& facts);
// ModemManager and brltty, with the udev rule for this adapter's ids.
QList<DoctorLine> services(const PortFacts& facts);
// The adapter's latency timer and what it costs at the polling rate; `lowLatencyOn`: the
// program's "Low latency" is in force on this port (the driver runs the timer at 1 ms).
QList<DoctorLine> latency(const PortFacts& facts, int rateMs, bool lowLatencyOn);
// What "Low latency" did when the doctor opened the port (the port control's note): ok when it
// was set or cleared, a warning when it could not be.
DoctorLine lowLatencyNote(const QString& note);
// The round trip, the wire's own time, the frame interval, noise and lost frames.
QList<DoctorLine> roundTrip(const RoundTripFigures& figures, int baud, const Remedies& remedies);
// The speed search.
QList<DoctorLine> speed(const SpeedSearchResult& result, const QString& userSpeed,
                        const Remedies& remedies);

} // namespace DoctorLines
