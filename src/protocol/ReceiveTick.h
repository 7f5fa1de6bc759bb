#pragma once

#include "link/SerialControl.h"
#include "protocol/FrameReceiver.h"

// One tick of the receive timer: while the port is open, everything received goes to the
// frame receiver. Any failure inside (receiver, decoder, drawing) ends the tick silently; the
// next tick starts afresh.
void ReceiveTick(SerialControl& m, FrameReceiver& r);
