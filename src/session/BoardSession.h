#pragma once

#include "firmware/DownloadResult.h"
#include "firmware/FirmwareUpdater.h"
#include "firmware/PortHandover.h"
#include "link/PortLink.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameReceiver.h"
#include "session/FaultTrace.h"

#include <QObject>

#include <cstdio>
#include <functional>
#include <memory>

class FlashProgress;
class Logger;
class SerialControl;
class WindowTimer;
struct FirmwareLoad;

// The board as the window and skyvane-cli both use it: the serial control, the port link, the
// frame receiver with its buffer and dispatch (the decoder and its measurement stream), the
// one-byte commands, the data request and the firmware updater, made and wired once.
//
// Its mode and the port's state alone decide who reads the port and whether the board is
// polled:
//   Live      the frame receiver reads the port's bytes as they arrive while the port is open,
//             and the data request polls the board (when polling is wanted);
//   Replay    a recording plays into the same receiver and dispatch; the port is not read and
//             the board is not polled; leaving it drops what the board sent meanwhile;
//   Download  the firmware download's bootloader wait reads the port; neither runs until the
//             download hands the port back.
// The receive switch (Timer2) and the data request (Timer12) show that state: only the session
// sets their Enabled state, from receiving() and polling().
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
        // The serial control; null for the real serial port, owned by the session.
        SerialControl* port = nullptr;
        // The window's Timer2 (receive switch), Timer12 (data request) and Timer3 (the row's
        // reply timer); null for timers of the session's own, all stopped. Polling is wanted
        // from the start when the request timer given is enabled.
        WindowTimer* receiveSwitch = nullptr;
        WindowTimer* request = nullptr;
        WindowTimer* rowReplyTimer = nullptr;
        // Where caught receive-path failures are traced (once per kind).
        std::FILE* traceTo = stderr;
    };

    explicit BoardSession(const Parts& parts, QObject* parent = nullptr);
    ~BoardSession() override;

    Mode mode() const;
    // The frame receiver reads the port: Live mode and the port open.
    bool receiving() const;
    // The data request polls the board: receiving, and polling wanted.
    bool polling() const { return receiving() && m_pollingWanted; }

    // Opens the port (a COM name or a device path) at the speed; the receiver reads it once it
    // is open. Logs "Port NAME opened." or the failure, kept in link().lastError().
    bool OpenPort(const QString& name, const QString& speed);
    // Closes the port (logs "COM Port closed."); the receiver stops.
    void ClosePort();
    // The link failed under the program since the last successful OpenPort; the log line is
    // link().lastLoss().
    bool linkLost() const { return m_lost; }
    // Forgets the bytes received and not yet cut into frames.
    void discardReceived();

    // Whether the data request should poll the board while the session is receiving.
    void setPolling(bool on);
    bool pollingWanted() const { return m_pollingWanted; }

    // Replay: the recording's frames go through the receiver and dispatch as live ones do.
    void beginReplay();
    // One recorded frame, ignored outside Replay.
    void playRecorded(char kind, const QByteArray& payload);
    // Back to Live: what the board sent meanwhile is dropped, the receiver and the data
    // request run again as the port allows.
    void endReplay();

    // The "Download Firmware" sequence of the file the parts name (Download mode while it
    // runs); its log lines tell the operator, the result tells the caller.
    DownloadResult runDownload();
    // The same for a firmware file the caller has loaded already.
    DownloadResult runDownload(const QString& path, const FirmwareLoad& load);
    // "Disconnection" during a download: it stops after its current step.
    void abandonDownload();

    // Reads what the port holds and handles every complete frame (only while receiving).
    void receiveAll();
    // The same with every byte the device holds, announced or not: the last read before the
    // program ends.
    void receiveRest();

    SerialControl& port() { return *m_port; }
    PortLink& link() { return m_link; }
    FrameReceiver& receiver() { return m_receiver; }
    FrameDispatch& dispatch() { return m_dispatch; }
    MeasurementDecoder& decoder() { return m_dispatch.decoder(); }
    MeasurementStream& stream() { return m_dispatch.stream(); }
    DeviceCommands& commands() { return m_commands; }
    FirmwareUpdater& firmware() { return *m_firmware; }
    WindowTimer& receiveSwitch() { return *m_receiveSwitch; }
    WindowTimer& request() { return *m_request; }
    const FaultTrace& faults() const { return m_faults; }

signals:
    void modeChanged(BoardSession::Mode mode);
    // The open port failed under the program; the log line is written.
    void lost();
    // Every byte read from the port, in order, whoever read it (the receiver, the bootloader's
    // wait, the drop at the end of a replay): the tap of a raw mirror.
    void received(const QByteArray& bytes);

private:
    void takePort() override;
    void handPortBack() override;
    // Shows receiving() and polling() on the two timers; a receiver that starts again reads
    // right away what came while it was stopped.
    void apply();
    // The one place where the mode changes; every change empties the receiver's buffer.
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
    FrameDispatch m_dispatch;
    FrameReceiver m_receiver;
    PortLink m_link;
    DeviceCommands m_commands;
    std::unique_ptr<FirmwareUpdater> m_firmware;
    FaultTrace m_faults;
    bool m_pollingWanted = false;
    // What the receive switch showed last, to read at once when it comes on.
    bool m_receivingShown = false;
    bool m_replaying = false;
    bool m_downloading = false;
    bool m_lost = false;
};
