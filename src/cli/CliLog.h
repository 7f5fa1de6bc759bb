#pragma once

#include "core/Logger.h"

class Terminal;

// The message log of the command-line tool: when echoing, every line goes to standard error
// with its time stamp ("2026.12.07 - 15.04.05 : Port COM3 opened."), as the window's message
// log shows it; otherwise it is dropped. Nothing reads it back: results come as values.
class CliLog : public Logger
{
public:
    CliLog(Terminal& terminal, bool echo) : m_terminal(terminal), m_echo(echo) {}

    void AddLog(const QString& message) override;

private:
    Terminal& m_terminal;
    bool m_echo;
};
