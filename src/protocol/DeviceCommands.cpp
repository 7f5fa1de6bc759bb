#include "protocol/DeviceCommands.h"

#include "core/Pause.h"
#include "protocol/FrameReceiver.h"

void DeviceCommands::RequestFrame(bool dataCommunicationChecked)
{
    if (m_link.M().PortOpen() && dataCommunicationChecked)
        m_link.SendCommand(QByteArrayLiteral("F"));
}

void DeviceCommands::Alignment()
{
    m_link.SendCommand(QByteArrayLiteral("R"));
}

void DeviceCommands::HardwareReset()
{
    m_link.SendCommand(QByteArrayLiteral("G"));
}

void DeviceCommands::StartStopTrame()
{
    m_link.SendCommand(QByteArrayLiteral("C"));
    PauseMs(500);
    m_receiver.discardReceived();
}

void DeviceCommands::SaveToFlash()
{
    m_link.SendCommand(QByteArrayLiteral("3"));
}

void DeviceCommands::ReadFromFlash()
{
    m_link.SendCommand(QByteArrayLiteral(">"));
}

void DeviceCommands::CalibrateAccelerometers()
{
    m_link.SendCommand(QByteArrayLiteral("4"));
}

void DeviceCommands::CalibrateGyrometers()
{
    m_link.SendCommand(QByteArrayLiteral("5"));
}

void DeviceCommands::CalibrateMagnetometers()
{
    m_link.SendCommand(QByteArrayLiteral("6"));
}
