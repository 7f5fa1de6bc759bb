#pragma once

#include "link/Link.h"

#include <QByteArray>

class FrameReceiver;

// The one-byte commands of the window's buttons and the periodic data request. Every command
// goes out through the link's SendCommand, which reports a closed port.
class DeviceCommands
{
public:
    // The receiver's bytes are dropped by the stream toggle.
    DeviceCommands(Link& link, FrameReceiver& receiver) : m_link(link), m_receiver(receiver) {}

    // Tick of the request timer: "F" when the port is open and "Data communication" is
    // checked; otherwise nothing, not even a log line.
    void RequestFrame(bool dataCommunicationChecked);
    // "R"
    void Alignment();
    // "G"
    void HardwareReset();
    // "C", then 500 ms in which frames keep being received, then the buffer is emptied
    // (which also unblocks a buffer whose first byte starts no frame).
    void StartStopTrame();
    // "3"
    void SaveToFlash();
    // ">"
    void ReadFromFlash();
    // "4"
    void CalibrateAccelerometers();
    // "5"
    void CalibrateGyrometers();
    // "6"
    void CalibrateMagnetometers();

private:
    Link& m_link;
    FrameReceiver& m_receiver;
};
