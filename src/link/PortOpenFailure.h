#pragma once

#include "link/SerialControl.h"

#include <QSerialPort>
#include <QString>

// What a failed open of the device at path means for the connection logic, from the serial
// layer's error and its text.
PortError PortOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                          const QString& reason);
