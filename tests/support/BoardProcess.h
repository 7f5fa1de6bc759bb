#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The virtual board running as its own process, for tests and benchmarks. Usually the program
// under test opens portPath(); with OpenPort the test itself is the far end of the link and
// talks to the board with write()/read(). Ends the board when destroyed.
class BoardProcess
{
public:
    enum Option
    {
        NoOption = 0,
        OpenPort = 1,   // open the pseudo-terminal here (raw), for write()/read()
        ShowErrors = 2, // the board's standard error goes to ours instead of nowhere
    };

    BoardProcess() = default;
    // Starts the board program() with `arguments`; error() says why when it did not come up.
    explicit BoardProcess(const QStringList& arguments, int options = NoOption);
    ~BoardProcess();
    BoardProcess(const BoardProcess&) = delete;
    BoardProcess& operator=(const BoardProcess&) = delete;

    // board-sim of this build (SKYVANE_BIN_DIR, set by CTest).
    static QString program();

    // Starts the board and reads the path of its pseudo-terminal from its first output line;
    // false (with the reason in error()) when it does not come up within a few seconds.
    bool start(const QStringList& arguments, int options = NoOption,
               const QString& program = BoardProcess::program());

    // Empty when the board started and (with OpenPort) the port is open.
    QString error() const { return m_error; }
    // Empty when the board did not start.
    QString portPath() const { return m_portPath; }
    // With --tcp among the arguments: "socket://127.0.0.1:PORT".
    QString networkPort() const { return m_networkPort; }
    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }

    // With OpenPort: the test's side of the link. Reads wait in poll() until bytes arrive or
    // the time is up.
    void write(const QByteArray& bytes);
    // Reads until `count` bytes have come or `timeoutMs` passed.
    QByteArray read(qsizetype count, int timeoutMs = 2000);
    // Reads everything that arrives within `ms`.
    QByteArray readFor(int ms);
    // write() then read(count).
    QByteArray ask(const QByteArray& bytes, qsizetype count, int timeoutMs = 2000);
    // True once a read has met the end of the link (EOF or EIO).
    bool linkEnded() const { return m_ended; }

    // Waits for the board to end on its own; the exit code, or -1 when it did not end
    // normally within the time.
    int waitForExit(int timeoutMs = 3000);
    // SIGTERM, then the exit code as waitForExit().
    int terminate(int timeoutMs = 3000);
    // Ends the board now: SIGTERM, then SIGKILL when it does not go.
    void kill();

private:
    bool openPort();

    QProcess m_process;
    QString m_portPath;
    QString m_networkPort;
    QString m_error;
    int m_fd = -1;
    bool m_ended = false;
};
