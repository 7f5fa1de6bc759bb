#include "app/ArrivalReceiver.h"

#include "core/WindowTimer.h"
#include "link/SerialControl.h"
#include "protocol/FrameReceiver.h"

ArrivalReceiver::ArrivalReceiver(SerialControl& port, FrameReceiver& receiver,
                                 WindowTimer& switchTimer, QObject* parent)
    : QObject(parent), m_port(port), m_receiver(receiver), m_switch(switchTimer)
{
    m_switch.setSwitchOnly(true);
    connect(&m_port, &SerialControl::readyRead, this, [this] {
        if (m_switch.Enabled())
            receiveAll();
    });
    // Bytes that came while the receiver was stopped are picked up right after it starts
    // again, as the first tick of the timer used to.
    connect(&m_switch, &WindowTimer::EnabledChanged, this, [this](bool enabled) {
        if (enabled)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_switch.Enabled())
                        receiveAll();
                },
                Qt::QueuedConnection);
    });
}

void ArrivalReceiver::receiveAll()
{
    if (!m_port.PortOpen())
        return;
    QByteArray input = m_port.Input();
    // One frame per call: go on while a call still takes bytes off the buffer.
    for (;;) {
        const qsizetype before = m_receiver.RxBuffer().size() + input.size();
        try {
            m_receiver.ReceiveFrames(input);
        } catch (...) {
            // The receive path reports nothing; the "No Data" indication tells the operator.
            // The frame was cut before it failed, so the rest is still handled.
        }
        input.clear();
        const qsizetype after = m_receiver.RxBuffer().size();
        if (after == 0 || after >= before)
            return;
    }
}
