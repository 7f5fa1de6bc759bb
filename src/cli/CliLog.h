#pragma once

#include "core/Logger.h"

#include <QStringList>

class Terminal;

// The message log of the command-line tool: every line is kept, and written to standard error
// with its time stamp ("2026.12.07 - 15.04.05 : Port COM3 opened.") when echoing, as the
// window's message log shows it.
class CliLog : public Logger
{
public:
    CliLog(Terminal& terminal, bool echo) : m_terminal(terminal), m_echo(echo) {}

    void AddLog(const QString& message) override;

    const QStringList& lines() const { return m_lines; }

private:
    Terminal& m_terminal;
    bool m_echo;
    QStringList m_lines;
};
