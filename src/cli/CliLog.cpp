#include "CliLog.h"

#include "Terminal.h"
#include "core/DateTimeStamp.h"

void CliLog::AddLog(const QString& message)
{
    m_lines.append(message);
    if (m_echo)
        m_terminal.line(DateTimeStamp() + QStringLiteral(" : ") + message);
}
