#include "Terminal.h"

#include "TerminalPlatform.h"

Terminal::Terminal(std::FILE* err, std::FILE* out) : Terminal(err, out, StreamIsTerminal(err)) {}

Terminal::Terminal(std::FILE* err, std::FILE* out, bool errIsTerminal)
    : m_err(err), m_out(out), m_isTerminal(errIsTerminal)
{}

void Terminal::line(const QString& text)
{
    eraseStatus();
    std::fputs(qPrintable(text + QLatin1Char('\n')), m_err);
    if (!m_status.isEmpty())
        std::fputs(qPrintable(m_status), m_err);
    std::fflush(m_err);
}

void Terminal::error(const QString& text)
{
    line(QStringLiteral("skyvane-cli: ") + text);
}

void Terminal::status(const QString& text)
{
    if (!m_isTerminal || text == m_status)
        return;
    eraseStatus();
    m_status = text;
    std::fputs(qPrintable(m_status), m_err);
    std::fflush(m_err);
}

void Terminal::clearStatus()
{
    eraseStatus();
    m_status.clear();
    std::fflush(m_err);
}

void Terminal::out(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_out);
    std::fflush(m_out);
}

void Terminal::eraseStatus()
{
    // The next text starts on a clean line.
    if (!m_status.isEmpty())
        std::fputs(EraseLine(m_status.size()).constData(), m_err);
}
