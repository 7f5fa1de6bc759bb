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
      m_dataCommunication(parts.dataCommunication), m_decoder(parts.decimalSeparator),
      m_dispatch(m_decoder), m_receiver(m_dispatch),
      m_link(*m_port, parts.log, m_receiver.RxBuffer()), m_commands(m_link, m_receiver.RxBuffer()),
      m_faults(parts.traceTo)
{
    m_port->setObjectName(QStringLiteral("M"));
    m_firmware = std::make_unique<FirmwareUpdater>(FirmwareUpdater::Parts{
        m_link, parts.log, m_receiver.RxBuffer(), parts.progress ? *parts.progress : *m_noProgress,
        *this, parts.firmwarePath, parts.rowReplyTimer});
    m_polling = m_request->Enabled();
    m_receiving = m_receiveSwitch->Enabled();

    m_decoder.setFrameSeen([this] { emit frameSeen(); });
    m_decoder.setMessageListener([this](const QString& text) { emit deviceMessage(text); });

    // Bytes are cut into frames as they arrive: the receive switch never ticks.
    m_receiveSwitch->setSwitchOnly(true);
    connect(m_port, &SerialControl::readyRead, this, [this] {
        if (m_receiveSwitch->Enabled())
            receiveAll();
    });
    // Bytes that came while the receiver was stopped are picked up right after it starts
    // again, as the first tick of a receive timer would.
    connect(m_receiveSwitch, &WindowTimer::EnabledChanged, this, [this](bool enabled) {
        if (enabled)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_receiveSwitch->Enabled())
                        receiveAll();
                },
                Qt::QueuedConnection);
    });
    connect(m_port, &SerialControl::received, this, &BoardSession::received);
    connect(m_request, &WindowTimer::Timer, this,
            [this] { m_commands.RequestFrame(!m_dataCommunication || m_dataCommunication()); });
    connect(&m_link, &PortLink::lost, this, [this] {
        m_lost = true;
        m_receiving = false;
        apply();
        emit lost();
    });
}

BoardSession::~BoardSession() = default;

BoardSession::Mode BoardSession::mode() const
{
    if (m_downloading)
        return Mode::Download;
    return m_replaying ? Mode::Replay : Mode::Live;
}

void BoardSession::apply()
{
    const bool live = mode() == Mode::Live;
    m_receiveSwitch->setEnabled(m_receiving && live);
    m_request->setEnabled(m_polling && live);
}

void BoardSession::setFlags(bool replaying, bool downloading)
{
    const Mode before = mode();
    m_replaying = replaying;
    m_downloading = downloading;
    apply();
    if (mode() != before)
        emit modeChanged(mode());
}

bool BoardSession::OpenPort(const QString& name, const QString& speed)
{
    m_receiving = false;
    apply();
    if (!m_link.OpenPort(name, speed))
        return false;
    m_lost = false;
    m_receiving = true;
    apply();
    return true;
}

void BoardSession::ClosePort()
{
    if (m_port->PortOpen()) {
        m_receiving = false;
        apply();
    }
    m_link.ClosePort();
}

void BoardSession::discardReceived()
{
    m_receiver.RxBuffer().discard();
}

void BoardSession::setPolling(bool on)
{
    m_polling = on;
    apply();
}

void BoardSession::beginReplay()
{
    if (m_replaying)
        return;
    // The recording's frames start on an empty buffer, not after half a live frame.
    if (!m_downloading)
        discardReceived();
    setFlags(true, m_downloading);
}

void BoardSession::endReplay()
{
    if (!m_replaying)
        return;
    // What the board sent meanwhile is not shown; live frames start afresh.
    if (!m_downloading) {
        if (m_port->PortOpen())
            m_port->Input();
        discardReceived();
        // The receiver runs again only over an open port.
        m_receiving = m_receiving && m_port->PortOpen();
    }
    setFlags(false, m_downloading);
}

void BoardSession::playRecorded(char kind, const QByteArray& payload)
{
    if (mode() != Mode::Replay)
        return;
    cutFrames(WireFrame(kind, payload));
}

void BoardSession::runDownload()
{
    m_firmware->download.run();
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
    // Both run again at the end, whatever they did before the download.
    m_receiving = true;
    m_polling = true;
    setFlags(m_replaying, false);
}

void BoardSession::receiveAll()
{
    if (mode() != Mode::Live || !m_port->PortOpen())
        return;
    cutFrames(m_port->Input());
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
