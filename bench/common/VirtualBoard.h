#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The virtual board as its own process; the program under measure opens portPath(). The
// board is ended when this object goes.
class VirtualBoard
{
public:
    VirtualBoard() = default;
    ~VirtualBoard();
    VirtualBoard(const VirtualBoard&) = delete;
    VirtualBoard& operator=(const VirtualBoard&) = delete;

    // Starts the board and reads the path of its pseudo-terminal; false (with the reason in
    // error()) when it does not come up within a few seconds.
    bool start(const QString& program, const QStringList& arguments);
    void stop();

    QString portPath() const { return m_portPath; }
    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    QString m_portPath;
    QString m_error;
};
