#pragma once

#include <QObject>

class FrameReceiver;
class SerialControl;
class WindowTimer;

// Feeds the frame receiver when bytes arrive, instead of on a 1 ms tick. The receive timer
// stays the switch: while it is enabled, arrivals are cut into frames at once, every complete
// frame in order; while it is stopped (port closed, firmware download, bootloader waits) the
// port is left to whoever reads it. The timer itself is made switch-only and never ticks.
class ArrivalReceiver : public QObject
{
    Q_OBJECT
public:
    ArrivalReceiver(SerialControl& port, FrameReceiver& receiver, WindowTimer& switchTimer,
                    QObject* parent = nullptr);

    // Reads what the port holds and handles every complete frame of the buffer.
    void receiveAll();

private:
    SerialControl& m_port;
    FrameReceiver& m_receiver;
    WindowTimer& m_switch;
};
