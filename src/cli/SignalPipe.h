#pragma once

#include <QObject>

#include <memory>

// Turns the requests to stop the program (Linux: SIGINT and SIGTERM; Windows: Ctrl+C, Ctrl+Break
// and the console window closed) into a Qt signal on the event loop. While the object lives
// those requests no longer end the process at once; at destruction the default handling returns.
class SignalPipe : public QObject
{
    Q_OBJECT
public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

    // The signal number of the last interruption (0 before one came); Windows' console events
    // count as SIGINT (Ctrl+C) and SIGTERM (the others).
    int lastSignal() const { return m_lastSignal; }

signals:
    void interrupted(int signalNumber);

private:
    void deliver(int signalNumber)
    {
        m_lastSignal = signalNumber;
        emit interrupted(signalNumber);
    }

    // What the platform needs to catch the requests.
    struct Platform;
    std::unique_ptr<Platform> m_platform;
    int m_lastSignal = 0;
};
