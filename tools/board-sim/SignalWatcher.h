#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal, so the board can end cleanly from its
// event loop. blockTerminationSignals() must run before any thread starts.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    static void blockTerminationSignals();

    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminationRequested();

private:
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
