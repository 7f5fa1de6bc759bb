#include "CliBoard.h"

#include "CliExit.h"
#include "Terminal.h"
#include "output/RawMirror.h"

#include <QTimer>

CliBoard::CliBoard(Terminal& terminal, const QString& port, const Setup& setup)
    : m_terminal(terminal), m_port(port), m_named(setup.named),
      m_ownLog(setup.log ? nullptr : std::make_unique<CliLog>(terminal, false)),
      m_log(setup.log ? setup.log : m_ownLog.get())
{
    BoardSession::Parts parts(*m_log);
    parts.progress = setup.progress;
    parts.firmwarePath = [path = setup.firmwarePath] { return path; };
    m_session = std::make_unique<BoardSession>(parts);
    m_session->stream().subscribe([this](const Measurement&) { ++m_frames; });
    connect(m_session.get(), &BoardSession::lost, this, [this] {
        if (m_mirror)
            m_mirror->close();
        stop();
        emit linkLost();
    });
}

CliBoard::~CliBoard() = default;

bool CliBoard::open(const QString& speed)
{
    if (m_session->OpenPort(m_port, speed))
        return true;
    m_terminal.error(QStringLiteral("cannot open port %1: %2")
                         .arg(m_port, m_session->link().lastError().description));
    return false;
}

bool CliBoard::openMirror(const QString& path)
{
    m_mirror = std::make_unique<RawMirror>([this](const QString& text) { line(text); });
    if (!m_mirror->open(path))
        return false;
    connect(m_session.get(), &BoardSession::received, m_mirror.get(), &RawMirror::write);
    return true;
}

void CliBoard::startPolling(int rateMs)
{
    m_session->request().setInterval(rateMs);
    m_session->setPolling(rateMs > 0);
}

void CliBoard::finish()
{
    m_session->setPolling(false);
    if (m_mirror)
        m_mirror->close();
    if (!lost())
        m_session->ClosePort();
}

int CliBoard::reportLost()
{
    m_terminal.error(m_session->link().lastLoss());
    return ExitPortTrouble;
}

bool CliBoard::run(int timeoutMs)
{
    if (lost())
        return true;
    QEventLoop loop;
    QTimer timeout;
    bool timedOut = false;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timeout.start(timeoutMs);
    QEventLoop* outer = m_loop;
    m_loop = &loop;
    loop.exec();
    m_loop = outer;
    return !timedOut;
}

void CliBoard::stop()
{
    if (m_loop)
        m_loop->quit();
}

void CliBoard::line(const QString& text)
{
    m_terminal.line(m_named ? m_port + QStringLiteral(": ") + text : text);
}
