#pragma once

#include "CliLog.h"
#include "session/BoardSession.h"

#include <QEventLoop>
#include <QObject>
#include <QString>

#include <memory>

class RawMirror;
class Terminal;

// One board of a skyvane-cli command over the board session that the window makes too: the
// session's parts for the command, the opening with its error line, the data request, the
// board's raw mirror when asked for, and the wait in the event loop. With several boards
// every line it writes starts with its port.
class CliBoard : public QObject
{
    Q_OBJECT
public:
    struct Setup
    {
        // The session's message log; null for one of the board's own that echoes nothing.
        CliLog* log = nullptr;
        // The download's progress bar (flash); null for the other commands.
        FlashProgress* progress = nullptr;
        QString firmwarePath;
        // Lines start with "PORT: " (one board of several).
        bool named = false;
    };

    CliBoard(Terminal& terminal, const QString& port, const Setup& setup);
    CliBoard(Terminal& terminal, const QString& port) : CliBoard(terminal, port, Setup()) {}
    ~CliBoard() override;

    BoardSession& session() { return *m_session; }
    CliLog& log() { return *m_log; }
    MeasurementStream& stream() { return m_session->stream(); }
    QString port() const { return m_port; }

    // Opens the port (a COM name or a device path); on failure writes one error line naming
    // the port and returns false.
    bool open(const QString& speed);
    // A mirror of the port's bytes at the link path; false after its refusal line.
    bool openMirror(const QString& path);
    // Asks for a frame every rateMs (none at 0), as the window does with "Data communication".
    void startPolling(int rateMs);
    // Stops polling and closes the mirror and the port (a lost one is closed already).
    void finish();

    // Frames decoded since the board was made.
    qint64 frames() const { return m_frames; }
    bool lost() const { return m_session->linkLost(); }
    // Writes the error line of a lost link (the log's line of the loss) and returns exit code 3.
    int reportLost();

    // Runs the event loop until stop(), a lost link, or timeoutMs. Returns false when it ended
    // by the time-out.
    bool run(int timeoutMs);
    void stop();

    // One line on standard error, after "PORT: " with several boards.
    void line(const QString& text);

signals:
    // The link failed under the program; the port is closed, polling stopped.
    void linkLost();

private:
    Terminal& m_terminal;
    QString m_port;
    bool m_named;
    std::unique_ptr<CliLog> m_ownLog;
    CliLog* m_log;
    std::unique_ptr<BoardSession> m_session;
    std::unique_ptr<RawMirror> m_mirror;
    QEventLoop* m_loop = nullptr;
    qint64 m_frames = 0;
};
