#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Turns SIGINT and SIGTERM into a Qt signal on the event loop (the self-pipe pattern): the
// handler only writes one byte, the loop reads it and emits interrupted(). While the object
// lives the signals no longer end the process; at destruction the default handling returns.
class SignalPipe : public QObject
{
    Q_OBJECT
public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

    // The signal number of the last interruption (0 before one came).
    int lastSignal() const { return m_lastSignal; }

signals:
    void interrupted(int signalNumber);

private:
    void onReadable();

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_lastSignal = 0;
};
