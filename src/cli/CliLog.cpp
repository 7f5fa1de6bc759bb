#include "CliLog.h"

#include "Terminal.h"
#include "core/DateTimeStamp.h"

void CliLog::AddLog(const QString& message)
{
    if (m_echo)
        m_terminal.line(DateTimeStamp() + QStringLiteral(" : ") + message);
}
