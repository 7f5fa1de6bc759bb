#pragma once

#include "core/WindowTimer.h"
#include "link/PortLink.h"
#include "link/QtSerialControl.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "protocol/MeasurementView.h"

#include <QEventLoop>
#include <QObject>

class CliLog;
class Terminal;

// The decoder drives the window's views; the command-line tool has none and takes the
// measurements from the decoder's stream instead.
class NoView : public MeasurementView
{
public:
    void frameSeen() override {}
    void DrawAttitude3D(float, float) override {}
    void DrawRoute(float&) override {}
    void DrawMagDial(double, double) override {}
    void setSensorText(const QString&) override {}
    void ShowDeviceMessage(const QString&) override {}
};

// The window's link and protocol objects without the window: the port, the frame receiver and
// dispatch, the decoder with its stream, the one-byte commands, and the receive tick (Timer2)
// and data request (Timer12) timers. Made once per command.
class CliSession : public QObject
{
    Q_OBJECT
public:
    CliSession(Terminal& terminal, CliLog& log);

    // Opens the port (a COM name or a device path) and starts the receive tick. On failure
    // writes one error line naming the port and returns false.
    bool open(const QString& port, const QString& speed);
    QString portName() const { return m_portName; }
    // The link failed under the program.
    bool linkLost() const { return m_lost; }
    // Writes the error line of a lost link and returns exit code 3.
    int reportLost();

    // Runs the event loop until stop(), a lost link, or timeoutMs (none when negative).
    // Returns false when it ended by the time-out.
    bool run(int timeoutMs = -1);
    void stop();

    PortLink& link() { return m_link; }
    QtSerialControl& port() { return m_port; }
    FrameReceiver& receiver() { return m_receiver; }
    FrameDispatch& dispatch() { return m_dispatch; }
    MeasurementDecoder& decoder() { return m_decoder; }
    DeviceCommands& commands() { return m_commands; }
    WindowTimer& timer2() { return m_timer2; }
    WindowTimer& timer12() { return m_timer12; }

private:
    void onLost();

    Terminal& m_terminal;
    CliLog& m_log;
    NoView m_view;
    MeasurementDecoder m_decoder;
    FrameDispatch m_dispatch;
    FrameReceiver m_receiver;
    QtSerialControl m_port;
    PortLink m_link;
    DeviceCommands m_commands;
    WindowTimer m_timer2;
    WindowTimer m_timer12;
    QString m_portName;
    QEventLoop* m_loop = nullptr;
    bool m_lost = false;
    QString m_lostLine;
};
