#pragma once

#include "link/SerialControl.h"

// A port in memory: records what is written, delivers what a test feeds, and can be told
// to refuse opening.
class FakeSerialControl : public SerialControl
{
    Q_OBJECT
public:
    using SerialControl::SerialControl;

    bool PortOpen() const override { return m_open; }
    void setPortOpen(bool open) override;
    QByteArray Input() override;
    QByteArray InputAll() override;
    bool Output(const QByteArray& bytes) override;

    // Bytes "received from the board"; emits readyRead when the port is open.
    void feed(const QByteArray& bytes);
    // Bytes the device holds but has not announced yet: only InputAll() takes them.
    void queue(const QByteArray& bytes) { m_unannounced += bytes; }
    // Closes the port as a lost link would.
    void drop();

    QByteArray written;
    int openCount = 0;
    bool refuseOpen = false;
    PortError refusal{PortError::InvalidPortNumber, QStringLiteral("Invalid port number")};

private:
    bool m_open = false;
    QByteArray m_input;
    QByteArray m_unannounced;
};
