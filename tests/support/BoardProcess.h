#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The virtual board running as its own process; the program under test opens portPath().
// Ends the board when destroyed.
class BoardProcess
{
public:
    explicit BoardProcess(const QStringList& arguments = {});
    ~BoardProcess();
    BoardProcess(const BoardProcess&) = delete;
    BoardProcess& operator=(const BoardProcess&) = delete;

    static QString program();
    // Empty when the board did not start.
    QString portPath() const { return m_portPath; }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Waits (with events running) for the board to end on its own.
    bool waitForEnd(int timeoutMs);
    void kill();

private:
    QProcess m_process;
    QString m_portPath;
};
