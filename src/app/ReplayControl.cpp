#include "app/ReplayControl.h"

#include "app/ReplayWindow.h"
#include "app/WindowViews.h"
#include "core/Logger.h"
#include "core/WindowTimer.h"
#include "link/ReceiveBuffer.h"
#include "link/SerialControl.h"
#include "protocol/FrameHandler.h"
#include "record/RecordingReader.h"
#include "record/Replayer.h"

#include <QAction>

ReplayControl::ReplayControl(const Parts& parts, ChooseFile choose, QObject* parent)
    : QObject(parent), m_p(parts), m_choose(std::move(choose))
{
    connect(m_p.action, &QAction::triggered, this, &ReplayControl::open);
}

ReplayControl::~ReplayControl()
{
    if (m_window) {
        disconnect(m_window, nullptr, this, nullptr);
        delete m_window;
    }
}

void ReplayControl::open()
{
    const QString path = m_choose();
    if (!path.isEmpty())
        openFile(path);
}

void ReplayControl::openFile(const QString& path)
{
    RecordingReader::Result result = RecordingReader::read(path);
    if (!result.ok()) {
        m_p.log.AddLog(RecordingReader::refusalMessage(path, result.error));
        return;
    }
    if (!m_replayer) {
        m_replayer = std::make_unique<Replayer>();
        m_replayer->setOutput([this](char kind, const QByteArray& payload) {
            // The same decoders as live frames; a failure in them stays silent as there.
            try {
                switch (kind) {
                case 'F':
                    m_p.decode.DecodeFrameF(payload);
                    break;
                case 'G':
                    m_p.decode.DecodeFrameG(payload);
                    break;
                case 'R':
                    m_p.decode.DecodeFrameR(payload);
                    break;
                case 'C':
                    m_p.decode.DecodeFrameC(payload);
                    break;
                }
            } catch (...) {
            }
        });
        enterReplay();
        m_window = new ReplayWindow(*m_replayer, m_p.parentWindow);
        m_window->setWindowFlag(Qt::Window);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_window, &QObject::destroyed, this, &ReplayControl::leaveReplay);
    }
    m_p.log.AddLog(
        QStringLiteral("Replaying %1 (%2 frames).").arg(path).arg(result.recording.frames.size()));
    m_replayer->load(std::move(result.recording));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_replayer->play();
}

void ReplayControl::enterReplay()
{
    m_timer2WasOn = m_p.timer2.Enabled();
    m_timer12WasOn = m_p.timer12.Enabled();
    m_p.timer12.setEnabled(false);
    m_p.timer2.setEnabled(false);
    m_p.views.setReplaying(true);
}

void ReplayControl::leaveReplay()
{
    m_window = nullptr;
    m_replayer.reset();
    m_p.views.setReplaying(false);
    // What the board sent meanwhile is not shown; live frames start afresh.
    if (m_p.port.PortOpen())
        m_p.port.Input();
    m_p.rxBuffer.discard();
    if (m_timer2WasOn && m_p.port.PortOpen())
        m_p.timer2.setEnabled(true);
    if (m_timer12WasOn)
        m_p.timer12.setEnabled(true);
    m_p.log.AddLog(QStringLiteral("Replay ended; live data again."));
}

ReplayWindow* ReplayControl::window() const
{
    return m_window;
}
