#pragma once

#include "CliLog.h"
#include "CliSession.h"

#include <QObject>
#include <QString>

#include <memory>

class RawMirror;
class Terminal;

// One board of a record or stream command: its own session (port, receiver, decoder and data
// request), so each board is polled and decoded on its own, and its raw mirror when asked
// for. With several boards every line it writes starts with its port.
class CliBoard : public QObject
{
    Q_OBJECT
public:
    CliBoard(Terminal& terminal, const QString& port, bool named);
    ~CliBoard() override;

    QString port() const { return m_port; }
    // Opens the port; false after an error line.
    bool open(const QString& speed);
    // A mirror of the port's bytes at the link path; false after its refusal line.
    bool openMirror(const QString& path);
    // Asks for a frame every rateMs (none at 0), as the window does with "Data communication".
    void startPolling(int rateMs);
    // Stops polling and closes the mirror and the port (a lost one is closed already).
    void finish();

    MeasurementStream& stream() { return m_session.decoder().stream(); }
    // Frames decoded since open().
    qint64 frames() const { return m_frames; }
    bool lost() const { return m_session.linkLost(); }
    // Writes the line of the lost link (exit code 3).
    void reportLost() { m_session.reportLost(); }

    // One line on standard error, after "PORT: " with several boards.
    void line(const QString& text);

signals:
    // The link failed under the program; the port is closed, polling stopped.
    void linkLost();

private:
    Terminal& m_terminal;
    QString m_port;
    bool m_named;
    CliLog m_log;
    CliSession m_session;
    std::unique_ptr<RawMirror> m_mirror;
    qint64 m_frames = 0;
};
