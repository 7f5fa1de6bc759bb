#pragma once

#include "session/BoardSession.h"

#include <QEventLoop>
#include <QObject>

class CliLog;
class Terminal;

// skyvane-cli's use of the board session that the window makes too: the session's parts for a
// command, the opening with its error line, and the wait in the event loop.
class CliBoard : public QObject
{
    Q_OBJECT
public:
    // progress: the download's progress bar (flash), null for the other commands.
    CliBoard(Terminal& terminal, CliLog& log, FlashProgress* progress = nullptr,
             const QString& firmwarePath = QString());

    BoardSession session;

    // Opens the port (a COM name or a device path); on failure writes one error line naming
    // the port and returns false.
    bool open(const QString& port, const QString& speed);
    QString portName() const { return m_portName; }
    // Writes the error line of a lost link (the log's line of the loss) and returns exit code 3.
    int reportLost();

    // Runs the event loop until stop(), a lost link, or timeoutMs (none when negative).
    // Returns false when it ended by the time-out.
    bool run(int timeoutMs = -1);
    void stop();

private:
    Terminal& m_terminal;
    CliLog& m_log;
    QString m_portName;
    QString m_lostLine;
    QEventLoop* m_loop = nullptr;
};
