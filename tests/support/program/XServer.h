#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// A virtual X server of the test's own (Xvfb on a free display it picks), so that no
// other test's window on a shared server takes the focus or the keys. While it runs, DISPLAY
// names it for this process and the programs it starts.
class PrivateXServer
{
public:
    PrivateXServer() = default;
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // False, with the reason in error, when no server could be started.
    bool start(QString& error);
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
    QByteArray m_previous;
};
