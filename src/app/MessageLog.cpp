#include "app/MessageLog.h"

#include "core/DateTimeStamp.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

MessageLog::MessageLog(QPlainTextEdit* box, std::function<QDateTime()> clock)
    : m_box(box), m_clock(std::move(clock))
{
    // The oldest lines go first, so a long run cannot fill the memory.
    m_box->setMaximumBlockCount(MaxLines);
}

void MessageLog::AddLog(const QString& message)
{
    QString line = DateTimeStamp(m_clock()) + QStringLiteral(" : ") + message;
    // A message holding line ends makes further lines without a stamp.
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_box->appendPlainText(line);
    m_box->moveCursor(QTextCursor::End);
    m_box->verticalScrollBar()->setValue(m_box->verticalScrollBar()->maximum());
}

QString MessageLog::text() const
{
    return m_box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QStringList MessageLog::lines() const
{
    const QString all = m_box->toPlainText();
    return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
}
