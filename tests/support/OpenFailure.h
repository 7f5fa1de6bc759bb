#pragma once

#include "link/QtSerialControl.h"

// What setPortOpen(true) threw, or a description of "nothing thrown".
inline PortError openFailure(QtSerialControl& port)
{
    try {
        port.setPortOpen(true);
    } catch (const PortError& error) {
        return error;
    }
    return {PortError::Other, QStringLiteral("(opened)")};
}
