#include "CliBoard.h"

#include "Terminal.h"
#include "output/RawMirror.h"

CliBoard::CliBoard(Terminal& terminal, const QString& port, bool named)
    : m_terminal(terminal), m_port(port), m_named(named), m_log(terminal, false),
      m_session(terminal, m_log)
{
    stream().subscribe([this](const Measurement&) { ++m_frames; });
    connect(&m_session.link(), &PortLink::lost, this, [this] {
        if (m_mirror)
            m_mirror->close();
        emit linkLost();
    });
}

CliBoard::~CliBoard() = default;

bool CliBoard::open(const QString& speed)
{
    return m_session.open(m_port, speed);
}

bool CliBoard::openMirror(const QString& path)
{
    m_mirror = std::make_unique<RawMirror>([this](const QString& text) { line(text); });
    if (!m_mirror->open(path))
        return false;
    connect(&m_session.port(), &SerialControl::received, m_mirror.get(), &RawMirror::write);
    return true;
}

void CliBoard::startPolling(int rateMs)
{
    WindowTimer& timer12 = m_session.timer12();
    connect(&timer12, &WindowTimer::Timer, this,
            [this] { m_session.commands().RequestFrame(true); });
    timer12.setInterval(rateMs);
    timer12.setEnabled(true);
}

void CliBoard::finish()
{
    m_session.timer12().setEnabled(false);
    if (m_mirror)
        m_mirror->close();
    if (!lost())
        m_session.link().ClosePort();
}

void CliBoard::line(const QString& text)
{
    m_terminal.line(m_named ? m_port + QStringLiteral(": ") + text : text);
}
