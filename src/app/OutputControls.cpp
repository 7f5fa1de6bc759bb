#include "app/OutputControls.h"

#include "core/Logger.h"
#include "core/SettingsStore.h"
#include "output/RawMirror.h"
#include "output/UdpForwarder.h"
#include "session/BoardSession.h"

#include <QAction>

namespace {
const QString kForward = QStringLiteral("&Forward Live Data...");
const QString kMirror = QStringLiteral("&Mirror Raw Stream...");
const QString kForwardKey = QStringLiteral("ForwardAddress");
const QString kMirrorKey = QStringLiteral("MirrorPath");
} // namespace

ForwardControl::ForwardControl(QAction* action, BoardSession& session, Logger& log,
                               SettingsStore& settings, AskText ask, QObject* parent)
    : QObject(parent), m_action(action), m_settings(settings), m_ask(std::move(ask)),
      m_forwarder(std::make_unique<UdpForwarder>(session.stream(),
                                                 [&log](const QString& text) { log.AddLog(text); }))
{
    connect(m_action, &QAction::triggered, this, &ForwardControl::toggle);
}

ForwardControl::~ForwardControl() = default;

bool ForwardControl::isForwarding() const
{
    return m_forwarder->isRunning();
}

void ForwardControl::toggle()
{
    if (m_forwarder->isRunning()) {
        m_forwarder->stop();
        showState();
        return;
    }
    QString last = m_settings.ReadSetting(kForwardKey).trimmed();
    if (last.isEmpty())
        last = QString::fromLatin1(UdpForwarder::DefaultAddress);
    const QString address =
        m_ask(QStringLiteral("Forward Live Data"),
              QStringLiteral("Send every frame as UDP JSON to HOST:PORT\n(PlotJuggler's UDP "
                             "server: 127.0.0.1:9870):"),
              last);
    if (address.isEmpty())
        return;
    if (m_forwarder->start(address))
        m_settings.WriteSetting(kForwardKey, m_forwarder->destination());
    showState();
}

void ForwardControl::showState()
{
    m_action->setText(m_forwarder->isRunning()
                          ? QStringLiteral("Stop &Forwarding (%1)").arg(m_forwarder->destination())
                          : kForward);
}

MirrorControl::MirrorControl(QAction* action, BoardSession& session, Logger& log,
                             SettingsStore& settings, AskText ask, QObject* parent)
    : QObject(parent), m_action(action), m_settings(settings), m_ask(std::move(ask)),
      m_mirror(std::make_unique<RawMirror>([&log](const QString& text) { log.AddLog(text); }))
{
    connect(m_action, &QAction::triggered, this, &MirrorControl::toggle);
    connect(&session, &BoardSession::received, m_mirror.get(), &RawMirror::write);
}

MirrorControl::~MirrorControl() = default;

bool MirrorControl::isMirroring() const
{
    return m_mirror->isOpen();
}

void MirrorControl::toggle()
{
    if (m_mirror->isOpen()) {
        m_mirror->close();
        showState();
        return;
    }
    QString last = m_settings.ReadSetting(kMirrorKey).trimmed();
    if (last.isEmpty())
        last = RawMirror::defaultTarget();
    const QString path = m_ask(QStringLiteral("Mirror Raw Stream"), RawMirror::targetHelp(), last);
    if (path.isEmpty())
        return;
    if (m_mirror->open(path))
        m_settings.WriteSetting(kMirrorKey, path);
    showState();
}

void MirrorControl::showState()
{
    m_action->setText(m_mirror->isOpen()
                          ? QStringLiteral("Stop &Mirroring (%1)").arg(m_mirror->linkPath())
                          : kMirror);
}
