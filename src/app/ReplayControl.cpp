#include "app/ReplayControl.h"

#include "app/ReplayWindow.h"
#include "core/Logger.h"
#include "record/RecordingReader.h"
#include "record/Replayer.h"
#include "session/BoardSession.h"

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
            m_p.session.playRecorded(kind, payload);
        });
        m_p.session.beginReplay();
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

void ReplayControl::leaveReplay()
{
    m_window = nullptr;
    m_replayer.reset();
    m_p.session.endReplay();
    m_p.log.AddLog(QStringLiteral("Replay ended; live data again."));
}

ReplayWindow* ReplayControl::window() const
{
    return m_window;
}
