#pragma once

#include "firmware/FirmwareUpdater.h"
#include "firmware/PortHandover.h"
#include "link/PortLink.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "session/FaultTrace.h"

#include <QChar>
#include <QObject>

#include <cstdio>
#include <functional>
#include <memory>

class FlashProgress;
class Logger;
class SerialControl;
class WindowTimer;

// The board as the window and skyvane-cli both use it: the serial control, the port link, the
// frame receiver with its buffer and dispatch, the decoder with its measurement stream, the
// one-byte commands, the data request and the firmware updater, made and wired once.
//
// Its mode alone decides who reads the port and whether the board is polled:
//   Live      the frame receiver reads the port's bytes as they arrive while the receive
//             switch (Timer2) is on, and the data request (Timer12) polls the board;
//   Replay    a recording plays into the same receiver and dispatch; the port is not read and
//             the board is not polled; leaving it drops what the board sent meanwhile;
//   Download  the firmware download's bootloader wait reads the port; neither runs, and
//             nothing starts them, until the download hands the port back.
// The receive switch and the data request keep their Enabled state for whoever reads it; only
// the session sets it.
class BoardSession : public QObject, private PortHandover
{
    Q_OBJECT
public:
    enum class Mode
    {
        Live,
        Replay,
        Download
    };

    struct Parts
    {
        explicit Parts(Logger& logger) : log(logger) {}

        Logger& log;
        // The firmware programming's progress display; null for none.
        FlashProgress* progress = nullptr;
        // The firmware package a download reads, asked for when it starts.
        std::function<QString()> firmwarePath;
        // Whether "Data communication" asks for frames (the window's Check7); null: always.
        std::function<bool()> dataCommunication;
        // The decimal separator of the number texts.
        QChar decimalSeparator = QLatin1Char('.');
        // The serial control; null for the real serial port, owned by the session.
        SerialControl* port = nullptr;
        // The window's Timer2 (receive switch), Timer12 (data request) and Timer3 (the row's
        // reply timer); null for timers of the session's own, all stopped.
        WindowTimer* receiveSwitch = nullptr;
        WindowTimer* request = nullptr;
        WindowTimer* rowReplyTimer = nullptr;
        // Where caught receive-path failures are traced (once per kind).
        std::FILE* traceTo = stderr;
    };

    explicit BoardSession(const Parts& parts, QObject* parent = nullptr);
    ~BoardSession() override;

    Mode mode() const;

    // Opens the port (a COM name or a device path) at the speed; the receiver reads it once it
    // is open. Logs "Port NAME opened." or the failure, kept in link().lastError().
    bool OpenPort(const QString& name, const QString& speed);
    // Closes the port (logs "COM Port closed."); the receiver stops.
    void ClosePort();
    // The link failed under the program since the last successful OpenPort.
    bool linkLost() const { return m_lost; }
    // Forgets the bytes received and not yet cut into frames.
    void discardReceived();

    // Whether the data request polls the board in Live mode (on from the start when the
    // request timer given was enabled).
    void setPolling(bool on);

    // Replay: the recording's frames go through the receiver and dispatch as live ones do.
    void beginReplay();
    // One recorded frame, ignored outside Replay.
    void playRecorded(char kind, const QByteArray& payload);
    // Back to Live: what the board sent meanwhile is dropped, the receiver and the data
    // request run again as they did before.
    void endReplay();

    // The "Download Firmware" sequence (Download mode while it runs).
    void runDownload();
    // "Disconnection" during a download: it stops after its current step.
    void abandonDownload();

    // Reads what the port holds and handles every complete frame (Live only).
    void receiveAll();

    SerialControl& port() { return *m_port; }
    PortLink& link() { return m_link; }
    FrameReceiver& receiver() { return m_receiver; }
    ReceiveBuffer& rxBuffer() { return m_receiver.RxBuffer(); }
    FrameDispatch& dispatch() { return m_dispatch; }
    MeasurementDecoder& decoder() { return m_decoder; }
    MeasurementStream& stream() { return m_decoder.stream(); }
    DeviceCommands& commands() { return m_commands; }
    FirmwareUpdater& firmware() { return *m_firmware; }
    WindowTimer& receiveSwitch() { return *m_receiveSwitch; }
    WindowTimer& request() { return *m_request; }
    const FaultTrace& faults() const { return m_faults; }

signals:
    void modeChanged(BoardSession::Mode mode);
    // A measurement frame was decoded: the frame-seen steps (watchdog, "Data OK") run now,
    // before its measurement is published.
    void frameSeen();
    // A text frame's message (for the calibration box).
    void deviceMessage(const QString& text);
    // The open port failed under the program; the log line is written.
    void lost();
    // Every byte read from the port, in order, whoever read it (the receiver, the bootloader's
    // wait, the drop at the end of a replay): the tap of a raw mirror.
    void received(const QByteArray& bytes);

private:
    void takePort() override;
    void handPortBack() override;
    void apply();
    void setFlags(bool replaying, bool downloading);
    // Handles every complete frame of the buffer after input, tracing what fails.
    void cutFrames(QByteArray input);

    std::unique_ptr<FlashProgress> m_noProgress;
    std::unique_ptr<SerialControl> m_ownPort;
    SerialControl* m_port;
    std::unique_ptr<WindowTimer> m_ownReceiveSwitch;
    std::unique_ptr<WindowTimer> m_ownRequest;
    WindowTimer* m_receiveSwitch;
    WindowTimer* m_request;
    std::function<bool()> m_dataCommunication;
    MeasurementDecoder m_decoder;
    FrameDispatch m_dispatch;
    FrameReceiver m_receiver;
    PortLink m_link;
    DeviceCommands m_commands;
    std::unique_ptr<FirmwareUpdater> m_firmware;
    FaultTrace m_faults;
    // What the receive switch and the data request would be in Live mode.
    bool m_receiving = false;
    bool m_polling = false;
    bool m_replaying = false;
    bool m_downloading = false;
    bool m_lost = false;
};
