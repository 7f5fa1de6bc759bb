#pragma once

#include "AppCommandParser.h"
#include "Calibration.h"
#include "Chunk.h"
#include "ConstantsTable.h"
#include "Motion.h"
#include "Options.h"
#include "SensorErrors.h"

// The board's application firmware: answers the one-byte commands with frames, runs the
// calibrations and keeps the constants table. Works on commands and time, not on the wire.
class Application
{
public:
    explicit Application(const Options& options);

    struct Outcome
    {
        Chunks output;
        bool toggleStream = false;
        bool reset = false;
        // The output goes out this long after the command.
        int delayMs = 0;
    };
    Outcome handle(const AppCommand& command, double now);

    // One measurement frame of the configured kind (or the next recorded one with --replay),
    // as sent on "F" and by the stream.
    Chunks measurement(double now);
    // A restart ends a running calibration; the constants stay as they are.
    void restart();
    // The table as a fresh board holds it (an erase that takes the constants with it).
    void resetConstants() { m_constants = ConstantsTable(m_options.constants); }

    const ConstantsTable& constants() const { return m_constants; }

    // Whether the configured application faults are in force (see Options::faultAfter).
    bool faulty() const { return m_faultsOn; }
    void startFaults() { m_faultsOn = true; }

private:
    QByteArray measurementFrame(double now, qint64 number);
    // Adds the configured faults (noise, a bad first byte, splitting) around one frame.
    Chunks shaped(const QByteArray& frame, bool split);

    const Options& m_options;
    Motion m_motion;
    SensorErrors m_sensorErrors;
    Calibration m_calibration;
    ConstantsTable m_constants;
    bool m_firstFrameSent = false;
    qsizetype m_replayNext = 0;
    // Measurement frames made so far.
    qint64 m_measurements = 0;
    bool m_faultsOn;
};
