#pragma once

#include "link/Link.h"
#include "link/SerialControl.h"

#include <QObject>

class Logger;

// The one serial link of the program: opens and closes the port, sends commands (a closed
// port gets one log line and nothing is sent; writes that start failing get one line), maps the
// port's failures to log lines, and reports a lost link. Windows and command-line tools drive it
// alike.
class PortLink : public QObject, public Link
{
    Q_OBJECT
public:
    PortLink(SerialControl& port, Logger& log, QObject* parent = nullptr);

    // Opens the port named by a COM name, a device path ("/dev/pts/3") or a network address
    // ("socket://192.168.1.20:4001") at the speed
    // ("115200"), closing it first when open. Logs "Port NAME opened." or the failure and
    // returns false; the failure is kept in lastError().
    bool OpenPort(const QString& name, const QString& speed);
    // Closes the port when open and logs "COM Port closed.".
    void ClosePort();
    void SendCommand(const QByteArray& bytes) override;
    SerialControl& M() override { return m_port; }

    const PortError& lastError() const { return m_lastError; }
    // The log line of the last lost link ("Link to COM3 (/dev/ttyUSB0) lost: ... Port
    // closed."); empty until a link was lost.
    QString lastLoss() const { return m_lastLoss; }
    // The name given to the last OpenPort.
    QString portName() const { return m_name; }
    // The message log it writes to.
    Logger& log() { return m_log; }

signals:
    // The open port failed under the program; the log line (lastLoss()) is written and the port
    // is closed.
    void lost();

private:
    void onLinkLost(const QString& device, const QString& description);

    SerialControl& m_port;
    Logger& m_log;
    PortError m_lastError;
    QString m_lastLoss;
    QString m_name;
    bool m_writeFailing = false;
    QString m_lowLatencyLogged;
};
