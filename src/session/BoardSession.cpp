#include "session/BoardSession.h"

#include "core/WindowTimer.h"
#include "firmware/FlashProgress.h"
#include "link/QtSerialControl.h"
#include "session/WireFrame.h"

namespace {
// A download without a progress display (a command that never flashes).
class NoProgress : public FlashProgress
{
public:
    void clear() override {}
    void show(double, double) override {}
};
} // namespace

BoardSession::BoardSession(const Parts& parts, QObject* parent)
    : QObject(parent), m_noProgress(parts.progress ? nullptr : std::make_unique<NoProgress>()),
      m_ownPort(parts.port ? nullptr : std::make_unique<QtSerialControl>()),
      m_port(parts.port ? parts.port : m_ownPort.get()),
      m_ownReceiveSwitch(parts.receiveSwitch
                             ? nullptr
                             : std::make_unique<WindowTimer>(QStringLiteral("Timer2"), 1, false)),
      m_ownRequest(parts.request
                       ? nullptr
                       : std::make_unique<WindowTimer>(QStringLiteral("Timer12"), 33, false)),
      m_receiveSwitch(parts.receiveSwitch ? parts.receiveSwitch : m_ownReceiveSwitch.get()),
      m_request(parts.request ? parts.request : m_ownRequest.get()),
      m_dataCommunication(parts.dataCommunication), m_receiver(m_dispatch),
      m_link(*m_port, parts.log), m_commands(m_link, m_receiver), m_faults(parts.traceTo),
      m_pollingWanted(m_request->Enabled())
{
    m_port->setObjectName(QStringLiteral("M"));
    m_firmware = std::make_unique<FirmwareUpdater>(
        FirmwareUpdater::Parts{m_link, parts.log, parts.progress ? *parts.progress : *m_noProgress,
                               *this, parts.firmwarePath, parts.rowReplyTimer});

    // Bytes are cut into frames as they arrive: the receive switch never ticks.
    m_receiveSwitch->setSwitchOnly(true);
    connect(m_port, &SerialControl::readyRead, this, [this] {
        if (receiving())
            receiveAll();
    });
    // However the port closes (the session, a download step, the port itself), neither the
    // receiver nor the data request goes on.
    connect(m_port, &SerialControl::closed, this, &BoardSession::apply);
    // The two timers show the session's state: a switch made elsewhere is undone at once.
    connect(m_receiveSwitch, &WindowTimer::EnabledChanged, this, &BoardSession::apply);
    connect(m_request, &WindowTimer::EnabledChanged, this, &BoardSession::apply);
    connect(m_port, &SerialControl::received, this, &BoardSession::received);
    connect(m_request, &WindowTimer::Timer, this,
            [this] { m_commands.RequestFrame(!m_dataCommunication || m_dataCommunication()); });
    connect(&m_link, &PortLink::lost, this, [this] {
        m_lost = true;
        apply();
        emit lost();
    });
    apply();
}

BoardSession::~BoardSession() = default;

BoardSession::Mode BoardSession::mode() const
{
    if (m_downloading)
        return Mode::Download;
    return m_replaying ? Mode::Replay : Mode::Live;
}

bool BoardSession::receiving() const
{
    return mode() == Mode::Live && m_port->PortOpen();
}

void BoardSession::apply()
{
    const bool nowReceiving = receiving();
    // Bytes that came while the receiver was stopped are picked up right after it starts
    // again, as the first tick of a receive timer would.
    if (nowReceiving && !m_receivingShown)
        QMetaObject::invokeMethod(this, &BoardSession::receiveAll, Qt::QueuedConnection);
    m_receivingShown = nowReceiving;
    m_receiveSwitch->setEnabled(nowReceiving);
    m_request->setEnabled(polling());
}

void BoardSession::setFlags(bool replaying, bool downloading)
{
    const Mode before = mode();
    m_replaying = replaying;
    m_downloading = downloading;
    const bool changed = mode() != before;
    // A recording's frames start on an empty buffer, not after half a live frame; the
    // bootloader's replies are no frames; live frames after either start afresh.
    if (changed)
        discardReceived();
    apply();
    if (changed)
        emit modeChanged(mode());
}

bool BoardSession::OpenPort(const QString& name, const QString& speed)
{
    const bool opened = m_link.OpenPort(name, speed);
    if (opened) {
        m_lost = false;
        discardReceived();
    }
    apply();
    return opened;
}

void BoardSession::ClosePort()
{
    m_link.ClosePort();
    discardReceived();
    apply();
}

void BoardSession::discardReceived()
{
    m_receiver.discardReceived();
}

void BoardSession::setPolling(bool on)
{
    m_pollingWanted = on;
    apply();
}

void BoardSession::beginReplay()
{
    setFlags(true, m_downloading);
}

void BoardSession::endReplay()
{
    if (!m_replaying)
        return;
    // What the board sent meanwhile is not shown.
    if (!m_downloading && m_port->PortOpen())
        m_port->Input();
    setFlags(false, m_downloading);
}

void BoardSession::playRecorded(char kind, const QByteArray& payload)
{
    if (mode() != Mode::Replay)
        return;
    cutFrames(WireFrame(kind, payload));
}

DownloadResult BoardSession::runDownload()
{
    return m_firmware->download.run();
}

DownloadResult BoardSession::runDownload(const QString& path, const FirmwareLoad& load)
{
    return m_firmware->download.run(path, load);
}

void BoardSession::abandonDownload()
{
    m_firmware->download.abandon();
}

void BoardSession::takePort()
{
    setFlags(m_replaying, true);
}

void BoardSession::handPortBack()
{
    setFlags(m_replaying, false);
}

void BoardSession::receiveAll()
{
    if (!receiving())
        return;
    cutFrames(m_port->Input());
}

void BoardSession::receiveRest()
{
    if (!receiving())
        return;
    cutFrames(m_port->InputAll());
}

void BoardSession::cutFrames(QByteArray input)
{
    // One frame per call: go on while a call still takes bytes off the buffer.
    for (;;) {
        const qsizetype before = m_receiver.RxBuffer().size() + input.size();
        try {
            m_receiver.ReceiveFrames(input);
        } catch (...) {
            // Silent to the operator; the frame was cut before it failed, so the rest is
            // still handled.
            m_faults.noteCurrent("receive path");
        }
        input.clear();
        const qsizetype after = m_receiver.RxBuffer().size();
        if (after == 0 || after >= before)
            return;
    }
}
